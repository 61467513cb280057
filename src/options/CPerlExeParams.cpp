#include "CPerlExeParams.h"

#include "app/CViewPreferences.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const CProgramPage::Layout kLayout{"Perl", "Local perl interpreter", "Server perl interpreter", 1000, 1038, 1012, 1001, 1039,
                                   &CSettings::LOCAL_PERL_EXE, &CSettings::LOCAL_PERL_PRM, &CSettings::REMOTE_PERL_EXE, &CSettings::REMOTE_PERL_PRM,
                                   true, false};

} // namespace

CPerlExeParams::CPerlExeParams(QWidget *parent)
    : CProgramPage(kLayout, parent)
{
}

void CPerlExeParams::OnInitDialog()
{
    CProgramPage::OnInitDialog();
    QGroupBox *tools = addGroup(QStringLiteral("Perl tools"));
    auto *column = static_cast<QVBoxLayout *>(layout());
    column->removeWidget(tools);
    column->insertWidget(column->count() - 1, tools);   // above the stretch
    m_criticSeverity = new QSpinBox(tools);
    m_criticSeverity->setObjectName(QStringLiteral("criticSeverity"));
    m_criticSeverity->setRange(1, 5);
    m_criticSeverity->setValue(CViewPreferences::criticSeverity());
    m_criticSeverity->setToolTip(QStringLiteral("5 reports only the most severe findings, 1 every finding"));
    gridOf(tools)->addWidget(new QLabel(QStringLiteral("Critic severity (1-5)"), tools), 0, 0);
    gridOf(tools)->addWidget(m_criticSeverity, 0, 1, Qt::AlignLeft);
    connect(m_criticSeverity, &QSpinBox::valueChanged, this, [this] { SetModified(); });
}

void CPerlExeParams::OnApply()
{
    if (m_criticSeverity)
        CViewPreferences::setCriticSeverity(m_criticSeverity->value());
    CProgramPage::OnApply();
}
