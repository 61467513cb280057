#include "CServerConsoleDlg.h"

#include "CLoginSequence.h"
#include "CServerSocket.h"
#include "app/CDialogUnits.h"
#include "app/COstrakApp.h"
#include "run/COutputBuffer.h"
#include "run/CPaneFeeder.h"
#include "run/CTerminalPane.h"
#include "ftp/CTrustQuestion.h"
#include "ssh/CRemoteCommandLine.h"
#include "ssh/CSshConsole.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QTextCursor>

#include <algorithm>

namespace {

enum ConsoleCommand {
    ID_SERVER_CONNECT = 33020,
    ID_SERVER_LOGIN = 33023,
    ID_SERVER_DISCONNECT = 33021,
    ID_SERVER_CLOSE = 33012,
    ID_RUN_PERL = 33025,
    ID_RUN_JAVAC = 33026,
    ID_RUN_JAVA = 33027,
    ID_OUTPUT_CLEAR = 33022,
};

constexpr int kMaxCommandLength = 200;

} // namespace

CServerConsoleDlg::CServerConsoleDlg(COstrakApp &app, QWidget *parent)
    : QDialog(parent)
    , m_app(app)
{
    setObjectName(QStringLiteral("CServerConsoleDlg"));
    setWindowTitle(QStringLiteral("Run on Server"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(false);

    m_menuBar = new QMenuBar(this);
    auto addCommand = [this](QMenu *menu, int id, const QString &text, const QString &prompt, auto slot) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QStringLiteral("command%1").arg(id));
        a->setStatusTip(prompt);
        connect(a, &QAction::triggered, this, slot);
    };
    QMenu *server = m_menuBar->addMenu(QStringLiteral("&Server"));
    addCommand(server, ID_SERVER_CONNECT, QStringLiteral("Co&nnect"), QStringLiteral("Connect to the server"),
               &CServerConsoleDlg::OnConnect);
    addCommand(server, ID_SERVER_LOGIN, QStringLiteral("&Login"),
               QStringLiteral("Logon to the server using configuration."), &CServerConsoleDlg::OnLogin);
    addCommand(server, ID_SERVER_DISCONNECT, QStringLiteral("&Disconnect"),
               QStringLiteral("Disconnect from the server."), &CServerConsoleDlg::OnDisconnect);
    addCommand(server, ID_SERVER_CLOSE, QStringLiteral("&Close"), QStringLiteral("Close connection and window."),
               &QWidget::hide);
    QMenu *run = m_menuBar->addMenu(QStringLiteral("&Run"));
    addCommand(run, ID_RUN_PERL, QStringLiteral("&Perl Script"), QStringLiteral("Runs a perl script"),
               &CServerConsoleDlg::OnRunPerl);
    addCommand(run, ID_RUN_JAVAC, QStringLiteral("Java &Compiler"), QStringLiteral("Compile a java program"),
               &CServerConsoleDlg::OnRunJavaCompiler);
    addCommand(run, ID_RUN_JAVA, QStringLiteral("&Java Interpreter"), QStringLiteral("Run a Java class"),
               &CServerConsoleDlg::OnRunJavaInterpreter);
    QMenu *output = m_menuBar->addMenu(QStringLiteral("&Output"));
    addCommand(output, ID_OUTPUT_CLEAR, QStringLiteral("&Clear"), QStringLiteral("Clear the output screen"),
               &CServerConsoleDlg::OnClear);

    m_output = new CTerminalPane(QString(), this);
    m_output->setObjectName(QStringLiteral("1025"));
    m_output->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_output->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_output->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    m_command = new QComboBox(this);
    m_command->setObjectName(QStringLiteral("1027"));
    m_command->setEditable(true);
    // Sent commands are added by Send Command, never by the Enter key.
    m_command->setInsertPolicy(QComboBox::NoInsert);
    m_command->lineEdit()->setMaxLength(kMaxCommandLength);
    auto *label = new QLabel(QStringLiteral("Server Command"), this);
    label->setBuddy(m_command);

    m_btnSend = new QPushButton(QStringLiteral("Send Command"), this);
    m_btnSend->setObjectName(QStringLiteral("1079"));
    m_btnSend->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel Request"), this);
    cancel->setObjectName(QStringLiteral("1080"));
    cancel->setAutoDefault(false);

    auto *layout = new QGridLayout(this);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_output, 0, 0, 1, 3);
    layout->addWidget(label, 1, 0, 1, 3);
    layout->addWidget(m_command, 2, 0);
    layout->addWidget(m_btnSend, 2, 1);
    layout->addWidget(cancel, 2, 2);
    layout->setRowStretch(0, 1);
    layout->setColumnStretch(0, 1);
    resize(CDialogUnits::toPixels(QFontMetrics(font()), 330, 250));

    m_buffer = new COutputBuffer(this);
    m_buffer->setKeepLatest(OutputLimit);
    m_feeder = new CPaneFeeder(m_buffer, m_output, this);
    m_feeder->setLimit(OutputLimit);
    m_socket = new CServerSocket(this);
    m_socket->setOutput(m_buffer);
    // Reading paused for a full buffer goes on once the pane has taken a batch.
    connect(m_feeder, &CPaneFeeder::textShown, m_socket, &CServerSocket::readPending);
    connect(m_socket, &CServerSocket::connectFailed, this, &CServerConsoleDlg::noteConnectFailure);
    connect(m_socket, &CServerSocket::closedByServer, this, [this] { appendNote(closedText()); });
    m_ssh = new CSshConsole(m_buffer, this);
    connect(m_feeder, &CPaneFeeder::textShown, m_ssh, &CSshConsole::readPending);
    connect(m_ssh, &CSshConsole::connectFailed, this, [this](const QString &reason) { appendNote(reason); });
    connect(m_ssh, &CSshConsole::hostKeyUnverified, this, &CServerConsoleDlg::offerTrust);
    connect(m_ssh, &CSshConsole::closedByServer, this, [this] { appendNote(closedText()); });
    m_login = new CLoginSequence(this);
    connect(m_socket, &CServerSocket::textReceived, m_login, &CLoginSequence::received);
    // After the login sequence has seen the text, so that its prompt counts.
    connect(m_socket, &CServerSocket::textReceived, this, &CServerConsoleDlg::followHiddenInput);
    connect(m_login, &CLoginSequence::sendLine, this, [this](const QString &line) {
        if (!m_socket->SendLine(line)) {
            m_login->cancel();
            appendNote(notConnectedText(QStringLiteral("the login")));
        }
    });
    connect(m_login, &CLoginSequence::refused, this,
            [this] { appendNote(QStringLiteral("The server did not accept the user name or the password.")); });

    connect(m_btnSend, &QPushButton::clicked, this, &CServerConsoleDlg::OnSendCommand);
    connect(cancel, &QPushButton::clicked, this, &CServerConsoleDlg::OnInterrupt);
}

CServerConsoleDlg::~CServerConsoleDlg() = default;

QString CServerConsoleDlg::closedText()
{
    return QStringLiteral("Server closed the connection.");
}

QString CServerConsoleDlg::notConnectedText(const QString &what)
{
    return QStringLiteral("Not connected to the server: %1 was not sent.").arg(what);
}

void CServerConsoleDlg::appendNote(const QString &text)
{
    // After whatever server text is still on its way to the pane.
    m_buffer->appendText(QLatin1Char('\n') + text, false);
    m_feeder->flush();
    m_output->ensureCursorVisible();
}

void CServerConsoleDlg::noteConnectFailure(const QString &reason)
{
    const CSettings &s = m_app.settings();
    appendNote(QStringLiteral("Could not connect to %1 port %2 (%3).").arg(s.SERVER_HOST).arg(s.SERVER_PORT_NUMBER).arg(reason));
}

void CServerConsoleDlg::clearOutput()
{
    m_buffer->restart();
    m_output->clear();
    m_feeder->reset();
    // Reading may have paused for the full buffer that was just dropped; no
    // more text goes into the pane to resume it, so it resumes here.
    m_socket->readPending();
    m_ssh->readPending();
}

bool CServerConsoleDlg::sendToServer(const QString &text)
{
    return m_useSsh ? m_ssh->SendLine(text) : m_socket->SendLine(text);
}

bool CServerConsoleDlg::isConnected() const
{
    return m_useSsh ? m_ssh->isConnected() : m_socket->isConnected();
}

void CServerConsoleDlg::sendLine(const QString &text)
{
    m_login->lineSent();
    if (!sendToServer(text))
        appendNote(notConnectedText(QLatin1Char('"') + text + QLatin1Char('"')));
}

bool CServerConsoleDlg::RunCommand(const QString &text)
{
    sendLine(text);
    return true;
}

bool CServerConsoleDlg::inputIsHidden() const
{
    return (!m_useSsh && m_socket->hidesInput()) || m_login->lastPrompt() == CLoginSequence::PasswordPrompt;
}

void CServerConsoleDlg::followHiddenInput()
{
    QLineEdit *edit = m_command->lineEdit();
    const auto mode = inputIsHidden() ? QLineEdit::Password : QLineEdit::Normal;
    if (edit->echoMode() == mode)
        return;
    edit->setEchoMode(mode);
    // A password is typed afresh, never onto the command left for resending.
    if (mode == QLineEdit::Password)
        edit->clear();
}

void CServerConsoleDlg::OnConnect()
{
    m_login->cancel();
    m_login->lineSent();
    const CSettings &s = m_app.settings();
    if (!CSettings::isPort(s.SERVER_PORT_NUMBER)) {
        noteConnectFailure(QStringLiteral("not a port number: 0 to %1").arg(CSettings::MaxPort));
        return;
    }
    // Connect on an open connection closes it first, whichever kind it was.
    m_ssh->Close();
    m_socket->Close();
    m_useSsh = s.SERVER_TYPE == QLatin1String("ssh");
    if (m_useSsh) {
        connectSsh();
        return;
    }
    m_socket->Connect(s.SERVER_HOST, static_cast<quint16>(s.SERVER_PORT_NUMBER));
}

void CServerConsoleDlg::connectSsh()
{
    const CSettings &s = m_app.settings();
    CSshLogin login;
    login.host = s.SERVER_HOST;
    login.port = s.SERVER_PORT_NUMBER == 0 ? 22 : int(s.SERVER_PORT_NUMBER);
    login.user = s.SERVER_USER;
    login.password = s.SERVER_PASS;
    const QSize size = terminalSize();
    m_ssh->Connect(login, size.width(), size.height());
}

void CServerConsoleDlg::offerTrust(const CPeerIdentity &peer, const QString &reason)
{
    QString failure;
    if (CTrustQuestion::ask(this, peer, &failure)) {
        connectSsh();
        return;
    }
    appendNote(failure.isEmpty() ? reason : failure);
}

QSize CServerConsoleDlg::terminalSize() const
{
    const QFontMetrics metrics(m_output->font());
    const QSize area = m_output->viewport()->size();
    return QSize(std::max(20, area.width() / std::max(1, metrics.horizontalAdvance(QLatin1Char('M')))),
                 std::max(5, area.height() / std::max(1, metrics.lineSpacing())));
}

void CServerConsoleDlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const QSize size = terminalSize();
    m_ssh->resize(size.width(), size.height());
}

void CServerConsoleDlg::OnLogin()
{
    const CSettings &s = m_app.settings();
    if (!isConnected()) {
        appendNote(notConnectedText(QStringLiteral("the login")));
        return;
    }
    if (m_useSsh) {
        // The session has logged in already; only the folder is left.
        sendLine(CRemoteCommandLine::changeDirectory(s.REMOTE_DIRECTORY));
        return;
    }
    m_login->start(s.SERVER_USER, s.SERVER_PASS, QStringLiteral("cd ") + s.REMOTE_DIRECTORY);
}

void CServerConsoleDlg::OnDisconnect()
{
    m_login->cancel();
    m_socket->Close();
    m_ssh->Close();
    appendNote(closedText());
}

void CServerConsoleDlg::OnSendCommand()
{
    const QString command = m_command->currentText();
    const bool hidden = inputIsHidden();
    // The answer to this command is shown on an empty output.
    clearOutput();
    if (hidden) {
        m_login->lineSent();
        if (!sendToServer(command))
            appendNote(notConnectedText(QStringLiteral("the hidden line")));
        m_command->clearEditText();
        followHiddenInput();
        return;
    }
    sendLine(command);
    // The list keeps every command sent, duplicates too, in sorted order.
    int at = 0;
    while (at < m_command->count() && m_command->itemText(at).compare(command, Qt::CaseInsensitive) <= 0)
        ++at;
    m_command->insertItem(at, command);
    m_command->setEditText(command);
}

void CServerConsoleDlg::OnInterrupt()
{
    if (m_useSsh)
        m_ssh->SendInterrupt();
    else
        m_socket->SendInterrupt();
}

void CServerConsoleDlg::OnClear()
{
    clearOutput();
}

void CServerConsoleDlg::OnRunPerl()
{
    const CSettings &s = m_app.settings();
    sendLine(s.REMOTE_PERL_EXE + QLatin1Char(' ') + s.REMOTE_PERL_PRM + QLatin1Char(' '));
}

void CServerConsoleDlg::OnRunJavaCompiler()
{
    const CSettings &s = m_app.settings();
    sendLine(s.REMOTE_JAVAC_EXE + QLatin1Char(' ') + s.REMOTE_JAVAC_PRM + QLatin1Char(' '));
}

void CServerConsoleDlg::OnRunJavaInterpreter()
{
    const CSettings &s = m_app.settings();
    sendLine(s.REMOTE_JAVA_EXE + QLatin1Char(' ') + s.REMOTE_JAVA_PRM + QLatin1Char(' '));
}

void CServerConsoleDlg::reject()
{
    m_login->cancel();
    m_socket->Close();
    m_ssh->Close();
    hide();
}

void CServerConsoleDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_command->setFocus();
}

void CServerConsoleDlg::closeEvent(QCloseEvent *event)
{
    // The title bar's close box hides the window and keeps the connection.
    event->ignore();
    hide();
}
