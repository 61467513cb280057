#include "CCreateDirDlg.h"

#include "CFormDialogLayout.h"

#include <QFormLayout>
#include <QLineEdit>

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
    CFormDialogLayout::apply(*this, form, QStringLiteral("&Create"), 186, 60);
}

int CCreateDirDlg::exec()
{
    m_name->setText(m_strDirName);
    const int result = QDialog::exec();
    if (result == QDialog::Accepted)
        m_strDirName = m_name->text();
    return result;
}
