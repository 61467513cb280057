#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

// The console's Login: the user line, the password line and the "cd" line,
// each sent when the server has asked for it, since a login program drops
// what was typed before its prompt. A line goes out anyway when no prompt
// has come within m_promptWait (5 s), so a server that does not prompt still works.
// It watches the server's text all the time, so that it also knows what the
// server asked last when the user types the answer by hand.
class CLoginSequence : public QObject
{
    Q_OBJECT

public:
    enum Prompt { NoPrompt, UserPrompt, PasswordPrompt, ShellPrompt, OtherPrompt };

    // How long a line waits for its prompt.
    int m_promptWait = 5000;
    // Text ending in ": " counts as a prompt once nothing else came for this long.
    static constexpr int QuietTime = 300;

    explicit CLoginSequence(QObject *parent = nullptr);

    void start(const QString &user, const QString &password, const QString &cdLine);
    void cancel();
    bool isRunning() const { return !m_lines.isEmpty(); }

    // The server's text, telnet commands removed.
    void received(const QByteArray &text);
    // A line went to the server: what it answered before is no longer the question.
    void lineSent() { m_tail.clear(); }
    // What the server's latest text, after the last line sent, asks for.
    Prompt lastPrompt() const;

    static Prompt promptAt(const QByteArray &tail, bool quiet);

signals:
    void sendLine(const QString &line);
    // The server asked for the user name again after the password: the login was refused.
    void refused();

private:
    void check();
    void sendNext();

    QStringList m_lines;
    int m_step = 0;
    QByteArray m_tail;
    QElapsedTimer m_sinceText;
    QTimer m_deadline;
    QTimer m_quiet;
};
