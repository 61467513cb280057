#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

// "Server Login": asks for the FTP user name and password of the host.
class CServerLoginDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CServerLoginDlg(QWidget *parent = nullptr);

    // Shows the fields, runs the dialog and reads them back after "&Login".
    int exec() override;

    QString m_strPassword;
    QString m_strUser;
    QString m_strHost;

private:
    QLineEdit *m_password;
    QLineEdit *m_user;
    QLineEdit *m_host;
};
