#include "CRenameFileDlg.h"

#include "CFormDialogLayout.h"

#include <QFormLayout>
#include <QLineEdit>

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
    CFormDialogLayout::apply(*this, form, QStringLiteral("&Rename"), 220, 70);
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
