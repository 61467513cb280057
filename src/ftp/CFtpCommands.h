#pragma once

#include <QObject>
#include <QString>

#include <memory>

struct CPeerIdentity;
class CFtpBrowseDlg;
class CFtpConnection;
class CMainFrame;
struct CSettings;

// Load from server, Put on server and Put Back of the File menu. Each
// command opens its own FTP connection and closes it when it ends. Lives as
// a child of the frame's view.
class CFtpCommands : public QObject
{
    Q_OBJECT

public:
    explicit CFtpCommands(CMainFrame &frame);

    // Creates the commands' object for the frame and connects the three commands.
    static CFtpCommands *install(CMainFrame &frame);

    void OnLoadFromServer();
    void OnPutOnServer();
    void OnPutBack();
    // Put Back is available only for a script that came from the server.
    void updatePutBack();

    // The connection wait: pauses of this length, at most `m_maxCount` - 1 of them.
    int m_pauseMs = 1000;
    int m_maxCount = 30;
    // Bounds a server that accepts the connection and never greets.
    int m_connectTimeout = 30;

    static QString putBackFailure();
    // The message of a failed connect, naming the host and the port.
    static QString couldNotConnect(const CSettings &settings);
    static QString replaceQuestion(const QString &path);

private:
    // Shows "Server Login", then opens the connection on a worker thread
    // while the frame waits. Empty when cancelled or not connected.
    std::unique_ptr<CFtpConnection> loginAndConnect();
    std::unique_ptr<CFtpConnection> connectOnWorker(QString &reason, CPeerIdentity &peer);
    // Asks whether to trust a server that could not be verified; true when
    // the user does and the connect should be tried again.
    bool offerTrust(const CPeerIdentity &peer);
    void showError(const QString &text, const QString &reason = QString());
    void message(const QString &text, const QString &reason, bool withCancel);

    CMainFrame &m_frame;
};
