#include "CServerParams.h"

#include "app/COstrakApp.h"
#include "app/CSettings.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

CServerParams::CServerParams(QWidget *parent)
    : COptionsPage(QStringLiteral("Server "), parent)
{
}

void CServerParams::load(const CSettings &settings)
{
    m_strUser = settings.SERVER_USER;
    m_strPassword = settings.SERVER_PASS;
    m_strType = settings.SERVER_TYPE;
    m_strHost = settings.SERVER_HOST;
    m_nPort = settings.SERVER_PORT_NUMBER;
    m_strClientPath = settings.SERVER_CLIENT_EXEPATH;
}

void CServerParams::store(CSettings &settings) const
{
    settings.SERVER_USER = m_strUser;
    settings.SERVER_PASS = m_strPassword;
    settings.SERVER_TYPE = m_strType;
    settings.SERVER_HOST = m_strHost;
    settings.SERVER_PORT_NUMBER = m_nPort;
    settings.SERVER_CLIENT_EXEPATH = m_strClientPath;
}

void CServerParams::OnInitDialog()
{
    auto *upper = new QHBoxLayout;
    auto *security = new QGroupBox(QStringLiteral("Security"), this);
    auto *securityGrid = new QGridLayout(security);
    m_user = addEdit(securityGrid, 0, QStringLiteral("User name"), 1055);
    m_password = addEdit(securityGrid, 1, QStringLiteral("Password"), 1056);
    m_password->setEchoMode(QLineEdit::Password);
    upper->addWidget(security, 1);

    auto *type = new QGroupBox(QStringLiteral("Server type"), this);
    auto *typeLayout = new QVBoxLayout(type);
    auto *group = new QButtonGroup(this);
    struct Choice { const char *caption; int id; const char *word; };
    static const Choice choices[] = {{"Telnet", 1042, "telnet"}, {"SSH", 1064, "ssh"},
                                     {"Drovell", 1040, "drovell"}, {"Other", 1041, "other"}};
    QRadioButton *checked = nullptr;
    for (const Choice &c : choices) {
        auto *radio = new QRadioButton(QString::fromUtf8(c.caption), type);
        radio->setObjectName(QString::number(c.id));
        group->addButton(radio);
        typeLayout->addWidget(radio);
        const QString word = QString::fromUtf8(c.word);
        if (m_strType == word || (!checked && c.id == 1041))
            checked = radio;
        connect(radio, &QRadioButton::clicked, this, [this, word] {
            m_strType = word;
            SetModified();
        });
    }
    checked->setChecked(true);
    upper->addWidget(type);
    static_cast<QVBoxLayout *>(layout())->addLayout(upper);

    QGroupBox *connection = addGroup(QStringLiteral("Connection"));
    m_host = addEdit(gridOf(connection), 0, QStringLiteral("Host"), 1061);
    m_port = addEdit(gridOf(connection), 1, QStringLiteral("Port"), 1062);
    QGroupBox *client = addGroup(QStringLiteral("Client"));
    m_clientPath = addEdit(gridOf(client), 0, QStringLiteral("Executable path"), 1063);
    static_cast<QVBoxLayout *>(layout())->addStretch();

    for (QLineEdit *edit : {m_user, m_password, m_host, m_port, m_clientPath})
        marksModified(edit);
    COptionsPage::OnInitDialog();
}

void CServerParams::DoDataExchange(CDataExchange &dx)
{
    dx.text(m_user, m_strUser);
    dx.text(m_password, m_strPassword);
    dx.text(m_host, m_strHost);
    dx.integer(m_port, m_nPort, 0, 65535);
    dx.text(m_clientPath, m_strClientPath);
}

void CServerParams::OnApply()
{
    if (!m_strClientPath.isEmpty() && !COstrakApp::FileExists(m_strClientPath))
        warn(QStringLiteral("Executable file ") + m_strClientPath + QStringLiteral(" was not found."));
    COptionsPage::OnApply();
}
