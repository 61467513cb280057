#include "CProgramPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

CProgramPage::CProgramPage(const Layout &layout, QWidget *parent)
    : COptionsPage(QString::fromUtf8(layout.caption), parent)
    , m_layout(layout)
{
}

void CProgramPage::load(const CSettings &settings)
{
    m_strLocalExe = settings.*m_layout.localExe;
    m_strLocalPrm = settings.*m_layout.localPrm;
    m_strRemoteExe = settings.*m_layout.remoteExe;
    m_strRemotePrm = settings.*m_layout.remotePrm;
    m_bDosWindow = m_layout.checkIsSetting && settings.runInDosWindow() ? 1 : 0;
}

void CProgramPage::store(CSettings &settings) const
{
    settings.*m_layout.localExe = m_strLocalExe;
    settings.*m_layout.localPrm = m_strLocalPrm;
    settings.*m_layout.remoteExe = m_strRemoteExe;
    settings.*m_layout.remotePrm = m_strRemotePrm;
    if (m_layout.checkIsSetting)
        settings.RUN_IN_DOS_WINDOW = m_bDosWindow ? QStringLiteral("Y") : QStringLiteral("N");
}

void CProgramPage::OnInitDialog()
{
    QGroupBox *local = addGroup(QString::fromUtf8(m_layout.localGroup));
    QGridLayout *grid = gridOf(local);
    m_localExe = addEdit(grid, 0, QStringLiteral("Executable path"), m_layout.localExeId);
    m_localPrm = addEdit(grid, 1, QStringLiteral("Command line params"), m_layout.localPrmId);
    m_dosWindow = new QCheckBox(QStringLiteral("Run in MS-DOS Window ?    "), local);
    m_dosWindow->setObjectName(QString::number(m_layout.checkId));
    m_dosWindow->setLayoutDirection(Qt::RightToLeft);   // the text on the left of the box
    grid->addWidget(m_dosWindow, 2, 0, 1, 2, Qt::AlignLeft | Qt::AlignAbsolute);

    QGroupBox *server = addGroup(QString::fromUtf8(m_layout.serverGroup));
    m_remoteExe = addEdit(gridOf(server), 0, QStringLiteral("Executable path"), m_layout.remoteExeId);
    m_remotePrm = addEdit(gridOf(server), 1, QStringLiteral("Command line params"), m_layout.remotePrmId);
    static_cast<QVBoxLayout *>(layout())->addStretch();

    for (QLineEdit *edit : {m_localExe, m_localPrm, m_remoteExe, m_remotePrm})
        marksModified(edit);
    if (m_layout.checkMarksModified)
        connect(m_dosWindow, &QCheckBox::clicked, this, [this] { SetModified(); });
    COptionsPage::OnInitDialog();
}

void CProgramPage::DoDataExchange(CDataExchange &dx)
{
    dx.text(m_localExe, m_strLocalExe);
    dx.text(m_localPrm, m_strLocalPrm);
    dx.check(m_dosWindow, m_bDosWindow);
    dx.text(m_remoteExe, m_strRemoteExe);
    dx.text(m_remotePrm, m_strRemotePrm);
}
