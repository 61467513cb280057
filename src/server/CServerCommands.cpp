#include "CServerCommands.h"

#include "CRemoteRun.h"
#include "CServerConsoleDlg.h"
#include "CShellQuote.h"
#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/COstrakDoc.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>

CServerCommands::CServerCommands(CMainFrame &frame)
    : QObject(&frame)
    , m_frame(frame)
    , m_console(new CServerConsoleDlg(frame.app(), &frame))
    , m_remoteRun(new CRemoteRun(frame, [this](const QString &text) { message(text); }, this))
{
    setObjectName(QStringLiteral("CServerCommands"));
}

CServerCommands *CServerCommands::install(CMainFrame &frame)
{
    auto *commands = new CServerCommands(frame);
    frame.setHandler(ID_TOOLS_SERVER_ACCESS, [commands] { commands->OnServerAccess(); });
    frame.setHandler(ID_SCRIPT_RUN_ON_SERVER, [commands] { commands->OnRunOnServer(); });
    return commands;
}

QStringList CServerCommands::clientArguments(const QString &host, long port)
{
    return {host, QString::number(port)};
}

void CServerCommands::message(const QString &text)
{
    if (m_showMessage) {
        m_showMessage(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Ostrak"), text, QMessageBox::Ok, &m_frame);
    box.exec();
}

void CServerCommands::OnServerAccess()
{
    m_console->show();
    m_console->raise();
    m_console->activateWindow();
}

void CServerCommands::OnRunOnServer()
{
    const CSettings &s = m_frame.app().settings();
    if (s.SERVER_TYPE == QLatin1String("ssh")) {
        m_remoteRun->run();
        return;
    }
    if (s.SERVER_TYPE == QLatin1String("telnet") && !s.SERVER_CLIENT_EXEPATH.isEmpty()) {
        // The client gets the host and the port as two arguments; no shell reads them.
        if (!QProcess::startDetached(s.SERVER_CLIENT_EXEPATH, clientArguments(s.SERVER_HOST, s.SERVER_PORT_NUMBER)))
            message(QStringLiteral("Could not run %1 %2  %3 ")
                        .arg(s.SERVER_CLIENT_EXEPATH, s.SERVER_HOST)
                        .arg(s.SERVER_PORT_NUMBER));
        return;
    }
    const QString name = QFileInfo(m_frame.document()->pathName()).fileName();
    m_console->RunCommand(s.REMOTE_PERL_EXE + QLatin1Char(' ') + CShellQuote::quote(name));
    OnServerAccess();
}
