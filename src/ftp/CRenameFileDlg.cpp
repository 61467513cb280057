#include "CRenameFileDlg.h"

#include "app/CDialogUnits.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

CRenameFileDlg::CRenameFileDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CRenameFileDlg"));
    setWindowTitle(QStringLiteral("Rename file"));
    m_newName = new QLineEdit(this);
    m_newName->setObjectName(QStringLiteral("1034"));
    m_oldName = new QLineEdit(this);
    m_oldName->setObjectName(QStringLiteral("1033"));
    m_oldName->setReadOnly(true);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Old File name"), m_oldName);
    form->addRow(QStringLiteral("New File name"), m_newName);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *rename = buttons->addButton(QStringLiteral("&Rename"), QDialogButtonBox::AcceptRole);
    rename->setObjectName(QStringLiteral("1"));
    rename->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(CDialogUnits::toPixels(QFontMetrics(font()), 220, 70));
}

int CRenameFileDlg::exec()
{
    m_newName->setText(m_strNewName);
    m_oldName->setText(m_strOldName);
    const int result = QDialog::exec();
    if (result == QDialog::Accepted)
        m_strNewName = m_newName->text();
    return result;
}
