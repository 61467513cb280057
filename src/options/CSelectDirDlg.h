#pragma once

#include <QDialog>
#include <QIcon>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// "Select Directory": a folder picked from the folder tree of one drive, the
// tree opened along the directory text at start and one level deeper at
// each double-click. OK takes the "Directory:" field as it stands.
class CSelectDirDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CSelectDirDlg(QWidget *parent = nullptr);

    // A full folder path; the process's current folder when left empty.
    QString directory() const { return m_strDirectory; }
    void setDirectory(const QString &path) { m_strDirectory = path; }
    // The drive roots offered; the mounted file systems unless replaced.
    void setDriveRoots(const QStringList &roots) { m_driveRoots = roots; }

    // Fills the drives and the tree, then shows the dialog modally.
    int exec() override;
    void OnInitDialog();

    QTreeWidget *tree() const { return m_tree; }
    QComboBox *drives() const { return m_drives; }
    QLineEdit *directoryEdit() const { return m_directoryEdit; }

public slots:
    void accept() override;

private:
    void fillDrives();
    void fillTree();
    void addSubfolders(QTreeWidgetItem *parent, const QString &path);
    void onDriveChosen(int index);
    void onDoubleClick();
    void updateImages(QTreeWidgetItem *item);
    void updateControls();

    QTreeWidgetItem *m_hSelItem = nullptr;
    QTreeWidgetItem *m_hRootItem = nullptr;
    QStringList m_driveRoots;
    QString m_strDrive;
    QString m_strDirectory;

    QComboBox *m_drives;
    QTreeWidget *m_tree;
    QLineEdit *m_directoryEdit;
    QIcon m_closedFolder;
    QIcon m_openFolder;
};
