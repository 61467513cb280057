#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

// "Rename file": the new name for a file on the server.
class CRenameFileDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CRenameFileDlg(QWidget *parent = nullptr);
    int exec() override;

    QString m_strNewName;
    QString m_strOldName;

private:
    QLineEdit *m_newName;
    QLineEdit *m_oldName;
};
