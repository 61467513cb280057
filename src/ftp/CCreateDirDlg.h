#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

// "Create Directory": the name of a folder to create on the server.
class CCreateDirDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CCreateDirDlg(QWidget *parent = nullptr);
    int exec() override;

    QString m_strDirName;

private:
    QLineEdit *m_name;
};
