#include "CFtpCommands.h"

#include "CFtpBrowseDlg.h"
#include "CFtpConnectWorker.h"
#include "CFtpConnection.h"
#include "CFtpHost.h"
#include "CFtpText.h"
#include "CServerLoginDlg.h"
#include "CTrustQuestion.h"
#include "app/CAtomicFile.h"
#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "run/CInputSwallower.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

namespace {

// A name from the server that must not become a local file name.
bool isUnsafeLocalName(const QString &name)
{
    return name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QChar(0));
}

CFtpConnection::TransferType transferType(int type)
{
    return type == COstrakApp::FtpAscii ? CFtpConnection::Ascii : CFtpConnection::Binary;
}

} // namespace

CFtpCommands::CFtpCommands(CMainFrame &frame)
    : QObject(frame.view())
    , m_frame(frame)
{
    setObjectName(QStringLiteral("CFtpCommands"));
}

CFtpCommands *CFtpCommands::install(CMainFrame &frame)
{
    auto *commands = new CFtpCommands(frame);
    frame.setHandler(ID_FILE_LOAD_FROM_SERVER, [commands] { commands->OnLoadFromServer(); });
    frame.setHandler(ID_FILE_PUT_ON_SERVER, [commands] { commands->OnPutOnServer(); });
    frame.setHandler(ID_FILE_PUT_BACK, [commands] { commands->OnPutBack(); });
    connect(frame.document(), &COstrakDoc::documentReset, commands, &CFtpCommands::updatePutBack);
    for (QObject *owner : frame.action(ID_FILE_PUT_BACK)->associatedObjects()) {
        if (auto *menu = qobject_cast<QMenu *>(owner))
            connect(menu, &QMenu::aboutToShow, commands, &CFtpCommands::updatePutBack);
    }
    commands->updatePutBack();
    return commands;
}

QString CFtpCommands::couldNotConnect(const CSettings &settings)
{
    int port = int(quint16(settings.FTP_PORT_NUMBER));
    if (port == 0)
        port = CFtpHost::parse(settings.FTP_HOST_NAME).defaultPort();
    return QStringLiteral("Could not connect to %1 port %2.").arg(settings.FTP_HOST_NAME).arg(port);
}

QString CFtpCommands::replaceQuestion(const QString &path)
{
    return QStringLiteral("Replace the local file %1?").arg(path);
}

QString CFtpCommands::putBackFailure()
{
    return QStringLiteral("The file could not be put back on the server. You may be lacking permissions to replace "
                          "this file. Please ensure you are the owner or have the required rights to the file in "
                          "question and retry the operation.");
}

void CFtpCommands::updatePutBack()
{
    m_frame.action(ID_FILE_PUT_BACK)->setEnabled(!m_frame.document()->m_strRemoteDir.isEmpty());
}

void CFtpCommands::message(const QString &text, const QString &reason, bool withCancel)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Ostrak"), text,
                    withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, &m_frame);
    box.setInformativeText(reason);
    box.exec();
}

void CFtpCommands::showError(const QString &text, const QString &reason)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Ostrak"), text, QMessageBox::Ok, &m_frame);
    box.setInformativeText(reason);
    box.exec();
}

std::unique_ptr<CFtpConnection> CFtpCommands::loginAndConnect()
{
    COstrakApp &app = m_frame.app();
    CServerLoginDlg login(&m_frame);
    login.m_strHost = app.settings().FTP_HOST_NAME;
    login.m_strUser = app.settings().FTP_USER_NAME;
    login.m_strPassword = app.settings().FTP_USER_PASS;
    if (login.exec() != QDialog::Accepted)
        return nullptr;
    app.setFtpLogin(login.m_strUser, login.m_strPassword);

    QString reason;
    CPeerIdentity peer;
    std::unique_ptr<CFtpConnection> connection = connectOnWorker(reason, peer);
    if (!connection && offerTrust(peer))
        connection = connectOnWorker(reason, peer);
    if (!connection) {
        m_frame.setStatusText(QStringLiteral("Could not connect. (%1)").arg(reason));
        showError(couldNotConnect(app.settings()), reason);
        return nullptr;
    }
    m_frame.setStatusText(QStringLiteral("Connected."));
    return connection;
}

bool CFtpCommands::offerTrust(const CPeerIdentity &peer)
{
    QString failure;
    if (CTrustQuestion::ask(&m_frame, peer, &failure))
        return true;
    if (!failure.isEmpty())
        showError(QStringLiteral("Could not record the host key of ") + peer.host, failure);
    return false;
}

std::unique_ptr<CFtpConnection> CFtpCommands::connectOnWorker(QString &reason, CPeerIdentity &peer)
{
    const CSettings &settings = m_frame.app().settings();
    const QString trying = QStringLiteral("Trying to connect to host ") + settings.FTP_HOST_NAME + QStringLiteral(".");
    m_frame.setStatusText(trying);
    auto request = std::make_shared<CFtpConnectRequest>();
    request->host = settings.FTP_HOST_NAME;
    request->user = settings.FTP_USER_NAME;
    request->password = settings.FTP_USER_PASS;
    request->port = settings.FTP_PORT_NUMBER;
    request->connectTimeout = m_connectTimeout;
    CFtpConnectWorker::start(request);

    {
        // The windows repaint and show the counter; the user's input is dropped.
        CInputSwallower swallower(QCoreApplication::instance());
        QString counter;
        for (int count = 1;;) {
            m_frame.setStatusText(trying + QStringLiteral(" ") + counter);
            QElapsedTimer pause;
            pause.start();
            while (pause.elapsed() < m_pauseMs && request->m_bWorkerRunning) {
                QEventLoop loop;
                QTimer::singleShot(20, &loop, &QEventLoop::quit);
                loop.exec();
            }
            counter = QString::number(count);
            ++count;
            if (count >= m_maxCount || request->m_bConnected || !request->m_bWorkerRunning)
                break;
        }
    }
    std::unique_ptr<CFtpConnection> connection;
    if (request->m_bWorkerRunning)
        CFtpConnectWorker::abandon(*request);
    else
        connection = CFtpConnectWorker::take(*request);
    peer = CPeerIdentity();
    if (!connection) {
        reason = request->m_bWorkerRunning ? QStringLiteral("no answer from the server") : request->error;
        if (!request->m_bWorkerRunning)
            peer = request->peer;
    }
    return connection;
}

void CFtpCommands::OnLoadFromServer()
{
    CFtpBrowseDlg dialog(m_frame.app(), &m_frame);
    dialog.m_bLoad = true;
    std::unique_ptr<CFtpConnection> connection = loginAndConnect();
    if (!connection)
        return;
    dialog.m_pConnection = connection.get();
    if (dialog.exec() != QDialog::Accepted)
        return;

    const QString name = dialog.m_strSelected;
    if (isUnsafeLocalName(name)) {
        showError(QStringLiteral("The server's name \"%1\" cannot be used for a local file; nothing was loaded.").arg(name));
        return;
    }
    const int type = dialog.m_bAutoDetect ? COstrakApp::GetFtpTransferType(name) : dialog.m_nTransferType;
    const QString path = QDir(m_frame.app().settings().LOCAL_DIRECTORY).filePath(name);
    if (!dialog.m_bToEditor && QFileInfo::exists(path)) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Ostrak"), replaceQuestion(path),
                        QMessageBox::Yes | QMessageBox::No, &m_frame);
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes)
            return;
    }
    QByteArray bytes;
    if (QString error = connection->readFile(name, transferType(type), bytes); !error.isEmpty()) {
        showError(QStringLiteral("Could not load %1 from the server.").arg(name), error);
        return;
    }
    if (dialog.m_bToEditor) {
        // Downloaded before the New step, so a failed download leaves the script alone.
        if (!m_frame.OnFileNew())
            return;
        m_frame.document()->loadFromServer(CFtpText::fromNetworkLineEnds(bytes), path, dialog.m_strCurrentDir);
        m_frame.addRecentFile(m_frame.document()->pathName());
        updatePutBack();
    } else {
        const QByteArray content = type == COstrakApp::FtpAscii ? CFtpText::fromNetworkLineEnds(bytes) : bytes;
        if (QString error = CAtomicFile::write(path, content); !error.isEmpty())
            showError(QStringLiteral("Could not write ") + path, error);
    }
}

void CFtpCommands::OnPutOnServer()
{
    // The file on disk is what goes up, so unsaved edits are saved first.
    if (!m_frame.OnFileSave())
        return;
    const QString path = m_frame.document()->pathName();
    const QString name = QFileInfo(path).fileName();
    CFtpBrowseDlg dialog(m_frame.app(), &m_frame);
    dialog.m_bLoad = false;
    dialog.m_strFileName = name;
    std::unique_ptr<CFtpConnection> connection = loginAndConnect();
    if (!connection)
        return;
    dialog.m_pConnection = connection.get();
    dialog.m_nTransferType = COstrakApp::GetFtpTransferType(name);
    dialog.m_bAutoDetect = false;
    if (dialog.exec() != QDialog::Accepted)
        return;

    const QString remoteDir = m_frame.app().settings().REMOTE_DIRECTORY;
    if (connection->currentDirectory() != remoteDir) {
        if (QString error = connection->setCurrentDirectory(remoteDir); !error.isEmpty()) {
            message(QStringLiteral("Could not set directory to") + remoteDir, error, true);
            return;
        }
    }
    if (QString error = connection->putFile(path, name, transferType(dialog.m_nTransferType)); !error.isEmpty())
        message(QStringLiteral("Error putting file on server"), error, true);
}

void CFtpCommands::OnPutBack()
{
    COstrakDoc &doc = *m_frame.document();
    if (doc.m_strRemoteDir.isEmpty() || !m_frame.OnFileSave())
        return;
    const QString path = doc.pathName();
    const QString name = QFileInfo(path).fileName();
    const CSettings &settings = m_frame.app().settings();
    CFtpConnection connection;
    connection.setConnectTimeout(m_connectTimeout);
    auto connectOnce = [&] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const QString failure = connection.connect(settings.FTP_HOST_NAME, settings.FTP_USER_NAME,
                                                   settings.FTP_USER_PASS, settings.FTP_PORT_NUMBER);
        QApplication::restoreOverrideCursor();
        return failure;
    };
    QString error = connectOnce();
    if (!error.isEmpty() && offerTrust(connection.unverifiedPeer()))
        error = connectOnce();
    if (!error.isEmpty()) {
        showError(couldNotConnect(settings), error);
        return;
    }
    if (error = connection.setCurrentDirectory(doc.m_strRemoteDir); !error.isEmpty()) {
        message(QStringLiteral("Could not set directory to") + doc.m_strRemoteDir, error, false);
        return;
    }
    if (error = connection.putFile(path, name, CFtpConnection::Ascii); !error.isEmpty())
        message(putBackFailure(), error, false);
}
