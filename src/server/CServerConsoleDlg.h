#pragma once

#include "run/CTerminalPane.h"

#include <QDialog>

class CLoginSequence;
class COstrakApp;
class COutputBuffer;
class CPaneFeeder;
class CServerSocket;
class CSshConsole;
struct CPeerIdentity;
class QComboBox;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;

// The modeless console to the server's shell service: connect, log in with
// the configured account, send commands, interrupt them and read what the
// server prints. The settings are read at each command, so a changed host or
// account takes effect at the next Connect or Login. Closing the window only
// hides it; Escape also closes the connection.
class CServerConsoleDlg : public QDialog
{
    Q_OBJECT

public:
    // The output keeps the latest this many characters of server text; a
    // line at its top says how much earlier text is not shown.
    static constexpr qsizetype OutputLimit = 4 * 1024 * 1024;

    explicit CServerConsoleDlg(COstrakApp &app, QWidget *parent = nullptr);
    ~CServerConsoleDlg() override;

    CServerSocket &socket() const { return *m_socket; }
    CSshConsole &sshConsole() const { return *m_ssh; }
    // The last Connect went over SSH (SERVER_TYPE "ssh").
    bool usesSsh() const { return m_useSsh; }
    CTerminalPane *output() const { return m_output; }
    QComboBox *commandCombo() const { return m_command; }
    QMenuBar *menuBar() const { return m_menuBar; }
    CLoginSequence &login() const { return *m_login; }

    // Sends the text as one line; true.
    bool RunCommand(const QString &text);

    static QString closedText();
    static QString notConnectedText(const QString &what);

public slots:
    void OnConnect();
    void OnLogin();
    void OnDisconnect();
    void OnSendCommand();
    void OnInterrupt();
    void OnClear();
    void OnRunPerl();
    void OnRunJavaCompiler();
    void OnRunJavaInterpreter();
    // Escape: the connection is closed and the window hidden.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void sendLine(const QString &text);
    // The line on whichever connection the last Connect made; false when not connected.
    bool sendToServer(const QString &text);
    bool isConnected() const;
    void connectSsh();
    // The terminal size that the output pane shows.
    QSize terminalSize() const;
    void offerTrust(const CPeerIdentity &peer, const QString &reason);
    void appendNote(const QString &text);
    void noteConnectFailure(const QString &reason);
    void clearOutput();
    // The server asked for a password, or switched its echo off: what is
    // typed now is neither shown nor kept in the list.
    bool inputIsHidden() const;
    // Shows typed text as dots while input is hidden.
    void followHiddenInput();

    COstrakApp &m_app;
    QMenuBar *m_menuBar;
    CTerminalPane *m_output;
    QComboBox *m_command;
    QPushButton *m_btnSend;
    COutputBuffer *m_buffer;
    CPaneFeeder *m_feeder;
    CServerSocket *m_socket;
    CSshConsole *m_ssh;
    bool m_useSsh = false;
    CLoginSequence *m_login;
};
