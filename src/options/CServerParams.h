#pragma once

#include "COptionsPage.h"

// The Server options page: the login on the remote server, its kind, its
// host and port, and the local client program used with it.
class CServerParams : public COptionsPage
{
    Q_OBJECT

public:
    explicit CServerParams(QWidget *parent = nullptr);

    void load(const CSettings &settings) override;
    void store(CSettings &settings) const override;
    // Warns when a client path is given that does not exist; applies all the same.
    void OnApply() override;

protected:
    void OnInitDialog() override;
    void DoDataExchange(CDataExchange &dx) override;

private:
    QString m_strType;
    QString m_strPassword;
    QString m_strUser;
    QString m_strHost;
    long m_nPort = 0;
    QString m_strClientPath;

    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
    QLineEdit *m_host = nullptr;
    QLineEdit *m_port = nullptr;
    QLineEdit *m_clientPath = nullptr;
};
