#include "CLoginSequence.h"

#include <QRegularExpression>

namespace {

constexpr qsizetype kTailSize = 512;

// Escape sequences and control bytes say nothing about the question asked.
QByteArray plainText(const QByteArray &tail)
{
    static const QRegularExpression escapes(QStringLiteral("\\x1b(\\[[0-?]*[ -/]*[@-~]|\\][^\\x07\\x1b]*(\\x07|\\x1b\\\\)|[@-_])"));
    QString text = QString::fromUtf8(tail);
    text.remove(escapes);
    text.remove(QRegularExpression(QStringLiteral("[\\x00-\\x08\\x0b-\\x1f\\x7f]")));
    return text.toUtf8();
}

} // namespace

CLoginSequence::CLoginSequence(QObject *parent)
    : QObject(parent)
{
    m_deadline.setSingleShot(true);
    m_quiet.setSingleShot(true);
    m_quiet.setTimerType(Qt::PreciseTimer);
    connect(&m_deadline, &QTimer::timeout, this, &CLoginSequence::sendNext);
    connect(&m_quiet, &QTimer::timeout, this, &CLoginSequence::check);
    m_sinceText.start();
}

CLoginSequence::Prompt CLoginSequence::promptAt(const QByteArray &tail, bool quiet)
{
    const QString text = QString::fromUtf8(plainText(tail));
    static const QRegularExpression user(QStringLiteral("(login|username):\\s*$"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression password(QStringLiteral("(password|passphrase)[^\\n]*:\\s*$"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression shell(QStringLiteral("[$#>%] ?$"));
    if (user.match(text).hasMatch())
        return UserPrompt;
    if (password.match(text).hasMatch())
        return PasswordPrompt;
    if (!quiet)
        return NoPrompt;
    if (text.endsWith(QLatin1String(": ")))
        return OtherPrompt;
    if (shell.match(text).hasMatch())
        return ShellPrompt;
    return NoPrompt;
}

CLoginSequence::Prompt CLoginSequence::lastPrompt() const
{
    return promptAt(m_tail, true);
}

void CLoginSequence::start(const QString &user, const QString &password, const QString &cdLine)
{
    m_lines = {user, password, cdLine};
    m_step = 0;
    m_deadline.start(m_promptWait);
    check();
}

void CLoginSequence::cancel()
{
    m_lines.clear();
    m_deadline.stop();
    m_quiet.stop();
}

void CLoginSequence::received(const QByteArray &text)
{
    m_tail += text;
    if (m_tail.size() > kTailSize)
        m_tail.remove(0, m_tail.size() - kTailSize);
    m_sinceText.restart();
    if (isRunning()) {
        m_quiet.start(QuietTime);
        check();
    }
}

void CLoginSequence::check()
{
    if (!isRunning())
        return;
    const bool quiet = m_sinceText.elapsed() >= QuietTime;
    const Prompt prompt = promptAt(m_tail, quiet);
    bool ready = false;
    switch (m_step) {
    case 0: ready = prompt == UserPrompt || prompt == OtherPrompt; break;
    case 1: ready = prompt == PasswordPrompt || prompt == OtherPrompt; break;
    default:
        if (prompt == UserPrompt) {
            // Asked for the user again: the password was not accepted.
            cancel();
            emit refused();
            return;
        }
        ready = prompt == ShellPrompt;
        break;
    }
    if (ready)
        sendNext();
    else if (!quiet && !m_quiet.isActive())
        m_quiet.start(QuietTime - int(m_sinceText.elapsed()));
}

void CLoginSequence::sendNext()
{
    if (!isRunning())
        return;
    const QString line = m_lines.at(m_step);
    ++m_step;
    if (m_step == m_lines.size())
        cancel();
    else
        m_deadline.start(m_promptWait);
    m_tail.clear();
    emit sendLine(line);
}
