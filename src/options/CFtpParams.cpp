#include "CFtpParams.h"

#include "CSelectDirDlg.h"
#include "app/COstrakApp.h"
#include "app/CSettings.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CFtpParams::CFtpParams(QWidget *parent)
    : COptionsPage(QStringLiteral("FTP"), parent)
{
}

void CFtpParams::load(const CSettings &settings)
{
    m_strHost = settings.FTP_HOST_NAME;
    m_strUser = settings.FTP_USER_NAME;
    m_strPassword = settings.FTP_USER_PASS;
    m_nPort = settings.FTP_PORT_NUMBER;
    m_strLocalDir = settings.LOCAL_DIRECTORY;
    m_strRemoteDir = settings.REMOTE_DIRECTORY;
}

void CFtpParams::store(CSettings &settings) const
{
    settings.FTP_HOST_NAME = m_strHost;
    settings.FTP_USER_NAME = m_strUser;
    settings.FTP_USER_PASS = m_strPassword;
    settings.FTP_PORT_NUMBER = m_nPort;
    settings.LOCAL_DIRECTORY = m_strLocalDir;
    settings.REMOTE_DIRECTORY = m_strRemoteDir;
}

void CFtpParams::OnInitDialog()
{
    QGroupBox *connection = addGroup(QStringLiteral("Connection"));
    m_host = addEdit(gridOf(connection), 0, QStringLiteral("Host Name"), 1002);
    m_port = addEdit(gridOf(connection), 1, QStringLiteral("FTP port number"), 1003);

    QGroupBox *security = addGroup(QStringLiteral("Security"));
    m_user = addEdit(gridOf(security), 0, QStringLiteral("User name"), 1004);
    m_password = addEdit(gridOf(security), 1, QStringLiteral("Password"), 1005);
    m_password->setEchoMode(QLineEdit::Password);

    QGroupBox *directories = addGroup(QStringLiteral("Directories"));
    m_localDir = addEdit(gridOf(directories), 0, QStringLiteral("Local"), 1006);
    auto *browse = new QPushButton(QStringLiteral("..."), directories);
    browse->setObjectName(QStringLiteral("1028"));
    browse->setAutoDefault(false);
    browse->setMaximumWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    gridOf(directories)->addWidget(browse, 0, 2);
    m_remoteDir = addEdit(gridOf(directories), 1, QStringLiteral("Remote"), 1007);
    static_cast<QVBoxLayout *>(layout())->addStretch();

    for (QLineEdit *edit : {m_host, m_port, m_user, m_password, m_localDir, m_remoteDir})
        marksModified(edit);
    connect(browse, &QPushButton::clicked, this, &CFtpParams::OnBrowse);
    COptionsPage::OnInitDialog();
}

void CFtpParams::DoDataExchange(CDataExchange &dx)
{
    dx.text(m_host, m_strHost);
    dx.integer(m_port, m_nPort, 0, 65535);
    dx.text(m_user, m_strUser);
    dx.text(m_password, m_strPassword);
    dx.text(m_localDir, m_strLocalDir);
    dx.text(m_remoteDir, m_strRemoteDir);
}

void CFtpParams::OnApply()
{
    if (!COstrakApp::FileExists(m_strLocalDir))
        warn(QStringLiteral("Directory ") + m_strLocalDir + QStringLiteral(" was not found."));
    COptionsPage::OnApply();
}

void CFtpParams::OnBrowse()
{
    // A field that fails validation keeps its member; the others are taken.
    if (const auto failure = UpdateData(true))
        warn(failure->message);
    CSelectDirDlg dialog(this);
    dialog.setDirectory(m_strLocalDir);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.directory() != m_localDir->text()) {
        m_localDir->setText(dialog.directory());
        SetModified();
    }
    m_strLocalDir = dialog.directory();
}
