#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class CMainFrame;
class CRemoteRun;
class CServerConsoleDlg;

// Tools > Server Access and Script > Run on Server. Owns the frame's server
// console, created hidden with the frame.
class CServerCommands : public QObject
{
    Q_OBJECT

public:
    explicit CServerCommands(CMainFrame &frame);

    static CServerCommands *install(CMainFrame &frame);

    CServerConsoleDlg &console() const { return *m_console; }
    CRemoteRun &remoteRun() const { return *m_remoteRun; }

    void OnServerAccess();
    void OnRunOnServer();

    // The external client's arguments: the host and the port.
    static QStringList clientArguments(const QString &host, long port);

    // How a message reaches the user; a message box with an OK button unless replaced.
    std::function<void(const QString &)> m_showMessage;

private:
    void message(const QString &text);

    CMainFrame &m_frame;
    CServerConsoleDlg *m_console;
    CRemoteRun *m_remoteRun;
};
