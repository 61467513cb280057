#include "CRemoteRun.h"

#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "ftp/CTrustQuestion.h"
#include "run/COutputWindow.h"
#include "run/CPipe.h"
#include "ssh/CRemoteCommandLine.h"
#include "ssh/CRemoteProcess.h"
#include "ssh/CSshSession.h"

#include <QAction>
#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>

CRemoteRun::CRemoteRun(CMainFrame &frame, std::function<void(const QString &)> message, QObject *parent)
    : QObject(parent)
    , m_frame(frame)
    , m_message(std::move(message))
{
}

CRemoteRun::~CRemoteRun() = default;

CSshLogin CRemoteRun::login(const CSettings &settings)
{
    CSshLogin login;
    login.host = settings.SERVER_HOST;
    login.port = settings.SERVER_PORT_NUMBER == 0 ? 22 : int(settings.SERVER_PORT_NUMBER);
    login.user = settings.SERVER_USER;
    login.password = settings.SERVER_PASS;
    return login;
}

QString CRemoteRun::putBackQuestion()
{
    return QStringLiteral("The script came from the server and has been changed. Put it back on the server before "
                          "running it there?");
}

QString CRemoteRun::waitFor(CSshSession &session, bool channel)
{
    QEventLoop loop;
    QString outcome;
    auto done = [&](const QString &why) {
        outcome = why;
        loop.quit();
    };
    connect(&session, channel ? &CSshSession::channelOpened : &CSshSession::opened, &loop, [&] { done(QString()); });
    connect(&session, &CSshSession::failed, &loop, done);
    connect(&session, &CSshSession::hostKeyUnverified, &loop, [&](const CPeerIdentity &peer, const QString &why) {
        QString failure;
        // Asked here, in the wait; a yes is recorded and the caller connects again.
        done(CTrustQuestion::ask(&m_frame, peer, &failure) ? QStringLiteral("trusted")
                                                          : failure.isEmpty() ? why : failure);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return outcome;
}

std::unique_ptr<CSshSession> CRemoteRun::openSession(QString &reason)
{
    const CSshLogin account = login(m_frame.app().settings());
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto session = std::make_unique<CSshSession>();
        session->open(account);
        reason = waitFor(*session, false);
        if (reason.isEmpty())
            return session;
        if (reason != QLatin1String("trusted"))
            return nullptr;
    }
    reason = QStringLiteral("The host key of %1 could not be checked").arg(account.host);
    return nullptr;
}

void CRemoteRun::run()
{
    COstrakDoc &doc = *m_frame.document();
    if (!doc.m_strRemoteDir.isEmpty() && doc.isModified()) {
        if (!m_putBack) {
            QMessageBox box(QMessageBox::Question, QStringLiteral("Ostrak"), putBackQuestion(),
                            QMessageBox::Yes | QMessageBox::No, &m_frame);
            m_putBack = box.exec() == QMessageBox::Yes;
        }
        if (*m_putBack)
            m_frame.action(ID_FILE_PUT_BACK)->trigger();
    }
    const QString name = QFileInfo(doc.pathName()).fileName();
    if (name.isEmpty()) {
        m_message(QStringLiteral("Save the script and put it on the server before running it there."));
        return;
    }
    const CSettings &settings = m_frame.app().settings();
    const QString command = CRemoteCommandLine::perlRun(settings, name);

    QString reason;
    std::unique_ptr<CSshSession> session = openSession(reason);
    if (!session) {
        m_message(QStringLiteral("Could not run %1 on %2.\n%3").arg(name, settings.SERVER_HOST, reason));
        return;
    }
    CPipe stdinPipe;
    CPipe stdoutPipe;
    CPipe stderrPipe;
    CRemoteProcess process(*session);
    if (!stdinPipe.CreatePipeEnds() || !stdoutPipe.CreatePipeEnds() || !stderrPipe.CreatePipeEnds()
        || !process.AttachPipes(&stdinPipe, &stdoutPipe, &stderrPipe)) {
        m_message(QStringLiteral("Could not run %1: no pipes for its streams.").arg(command));
        return;
    }
    process.Start(command);
    if (const QString refused = waitFor(*session, true); !refused.isEmpty()) {
        session.reset();
        m_message(refused);
        return;
    }

    COutputWindow window(&m_frame);
    window.attach(process, stdinPipe, stdoutPipe, stderrPipe);
    window.setScriptPath(doc.pathName());
    if (const auto &font = m_frame.app().editorFont())
        window.setPaneFont(*font);
    connect(&window, &COutputWindow::errorLineActivated, this, [this](int line) { m_frame.view()->showLine(line); });
    process.StartWaiter();
    emit outputWindowShown(&window);
    window.exec();
    // The channel has ended (the window killed it if it still ran); the
    // session goes before the process that it handed output to.
    session.reset();
}
