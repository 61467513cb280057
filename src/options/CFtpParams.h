#pragma once

#include "COptionsPage.h"

class QPushButton;

// The FTP options page: the server's host and port, the user and password,
// the local and the remote directory. The local directory can be picked with
// the directory chooser.
class CFtpParams : public COptionsPage
{
    Q_OBJECT

public:
    explicit CFtpParams(QWidget *parent = nullptr);

    void load(const CSettings &settings) override;
    void store(CSettings &settings) const override;
    // Warns when the local directory does not exist; the values apply all the same.
    void OnApply() override;

protected:
    void OnInitDialog() override;
    void DoDataExchange(CDataExchange &dx) override;

private:
    void OnBrowse();

    QString m_strHost;
    long m_nPort = 0;
    QString m_strPassword;
    QString m_strUser;
    QString m_strLocalDir;
    QString m_strRemoteDir;

    QLineEdit *m_host = nullptr;
    QLineEdit *m_port = nullptr;
    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
    QLineEdit *m_localDir = nullptr;
    QLineEdit *m_remoteDir = nullptr;
};
