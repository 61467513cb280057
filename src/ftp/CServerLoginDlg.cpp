#include "CServerLoginDlg.h"

#include "CFormDialogLayout.h"

#include <QFormLayout>
#include <QLineEdit>

CServerLoginDlg::CServerLoginDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CServerLoginDlg"));
    setWindowTitle(QStringLiteral("Server Login"));
    auto edit = [this](const char *id) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(id));
        return e;
    };
    m_password = edit("1032");
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMaxLength(20);
    m_user = edit("1031");
    m_user->setMaxLength(20);
    m_host = edit("1033");
    m_host->setReadOnly(true);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("User name"), m_user);
    form->addRow(QStringLiteral("Password"), m_password);
    form->addRow(QStringLiteral("Host"), m_host);
    CFormDialogLayout::apply(*this, form, QStringLiteral("&Login"), 186, 90);
}

int CServerLoginDlg::exec()
{
    m_password->setText(m_strPassword);
    m_user->setText(m_strUser);
    m_host->setText(m_strHost);
    const int result = QDialog::exec();
    if (result == QDialog::Accepted) {
        m_strPassword = m_password->text();
        m_strUser = m_user->text();
    }
    return result;
}
