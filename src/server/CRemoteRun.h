#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class CMainFrame;
class COutputWindow;
class CSshSession;
struct CSshLogin;
struct CSettings;

// Run on Server over SSH: the script runs on the server on a channel of its
// own, without a terminal, and shows in the output window of local runs
// (output and errors apart, typed input to the script, error lines linked
// to the editor, the remote exit status). A script that came from the
// server and has changed may be put back first; the question is asked once
// per session of the editor.
class CRemoteRun : public QObject
{
    Q_OBJECT

public:
    // `message` shows a failure to the user.
    CRemoteRun(CMainFrame &frame, std::function<void(const QString &)> message, QObject *parent = nullptr);
    ~CRemoteRun() override;

    void run();

    static CSshLogin login(const CSettings &settings);
    static QString putBackQuestion();

signals:
    // Just before the output window's modal run.
    void outputWindowShown(COutputWindow *window);

private:
    // Connects and logs in, asking about an unknown host key; null with `reason` set when it could not.
    std::unique_ptr<CSshSession> openSession(QString &reason);
    // Waits, taking events, until the session reports one of the outcomes.
    QString waitFor(CSshSession &session, bool channel);
    CMainFrame &m_frame;
    std::function<void(const QString &)> m_message;
    std::optional<bool> m_putBack;
};
