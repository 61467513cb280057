#pragma once

#include "CCreateDirDlg.h"
#include "CRenameFileDlg.h"

#include <QDialog>
#include <QString>

#include <functional>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeView;
class CFtpConnection;
class CFtpListModel;
class COstrakApp;

// The server browser of Load from server and Put on server: lists the
// server's current directory, runs the few FTP commands it allows, and
// picks the transfer type and, when loading, the target.
class CFtpBrowseDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CFtpBrowseDlg(COstrakApp &app, QWidget *parent = nullptr);
    ~CFtpBrowseDlg() override;

    // Runs the opening steps, then the dialog.
    int exec() override;

    bool FillList();
    void OnLoadOrPut();
    void OnRefresh();
    void OnExec();

    int m_nTransferType = 0;
    bool m_bAutoDetect = true;
    bool m_bLoad = true;
    bool m_bToEditor = true;
    CCreateDirDlg m_dlgCreateDir;
    CRenameFileDlg m_dlgRename;
    QString m_strSelected;
    QString m_strFileName;
    CFtpConnection *m_pConnection = nullptr; // not owned
    QString m_strCurrentDir;
    QString m_strCommand;
    QString m_strStatus;

    QTreeView *list() const { return m_list; }
    CFtpListModel *model() const { return m_model; }
    QComboBox *commandBox() const { return m_command; }

    // The opening steps: enter REMOTE_DIRECTORY, list it, set the title and the choices.
    void OnInitDialog();

private:
    void readFields();
    void writeFields();
    QString selectedName() const;
    void message(const QString &text);
    bool askYesNo(const QString &text);
    // Runs a command that changes the server: on success the list is read
    // anew, else the status line shows what failed and the server's reply.
    bool ran(const QString &what, const std::function<QString()> &change);

    COstrakApp &m_app;
    QComboBox *m_command;
    QLineEdit *m_currentDir;
    QTreeView *m_list;
    CFtpListModel *m_model;
    QPushButton *m_exec;
    QPushButton *m_refresh;
    QPushButton *m_btnLoadPut;
    QPushButton *m_cancel;
    bool m_bListing = false;
    QRadioButton *m_ascii;
    QRadioButton *m_binary;
    QRadioButton *m_autoDetect;
    QRadioButton *m_editor;
    QRadioButton *m_fileOnly;
    QGroupBox *m_targetGroup;
    QLineEdit *m_status;
};
