#include "CCgiParametersDlg.h"

#include "CScriptInput.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

CCgiParametersDlg::CCgiParametersDlg(const CScriptInput &values, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CCgiParametersDlg"));
    setWindowTitle(QStringLiteral("CGI Parameters"));
    m_table = new QTableWidget(CScriptInput::MaxCgiParameters, 2, this);
    m_table->setObjectName(QStringLiteral("parameters"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < CScriptInput::MaxCgiParameters; ++row) {
        const bool used = row < values.m_nCgiCount;
        m_table->setItem(row, 0, new QTableWidgetItem(used ? values.m_strCgiNames[row] : QString()));
        m_table->setItem(row, 1, new QTableWidgetItem(used ? values.m_strCgiValues[row] : QString()));
    }
    auto *note = new QLabel(QStringLiteral("Environment variables the script gets when it runs with a request method. "
                                           "A name given here replaces the simulation's own value."),
                            this);
    note->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    resize(480, 420);
}

void CCgiParametersDlg::apply(CScriptInput &values) const
{
    values.m_nCgiCount = 0;
    for (int row = 0; row < CScriptInput::MaxCgiParameters; ++row) {
        values.m_strCgiNames[row] = m_table->item(row, 0)->text().trimmed();
        values.m_strCgiValues[row] = m_table->item(row, 1)->text();
        if (!values.m_strCgiNames[row].isEmpty())
            values.m_nCgiCount = row + 1;
    }
}
