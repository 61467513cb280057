#include "CCreateDirDlg.h"

#include "app/CDialogUnits.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

CCreateDirDlg::CCreateDirDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CCreateDirDlg"));
    setWindowTitle(QStringLiteral("Create Directory"));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("1035"));
    m_name->setMaxLength(20);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Directory Name"), m_name);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *create = buttons->addButton(QStringLiteral("&Create"), QDialogButtonBox::AcceptRole);
    create->setObjectName(QStringLiteral("1"));
    create->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(CDialogUnits::toPixels(QFontMetrics(font()), 186, 60));
}

int CCreateDirDlg::exec()
{
    m_name->setText(m_strDirName);
    const int result = QDialog::exec();
    if (result == QDialog::Accepted)
        m_strDirName = m_name->text();
    return result;
}
