#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

// What a file looked like on disk: enough to tell that another program has
// written, replaced or removed it since.
struct CDiskStamp
{
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 device = 0;
    quint64 inode = 0;

    static CDiskStamp of(const QString &path);
    bool operator==(const CDiskStamp &) const = default;
};

// Watches the open script's file and tells when another program has changed
// or removed it since the editor last loaded or saved it. Each new state of
// the file is told once; the editor's own saves are not changes.
class CFileChangeWatcher : public QObject
{
    Q_OBJECT

public:
    explicit CFileChangeWatcher(QObject *parent = nullptr);

    // The file as it is now is the editor's: after a load or a save. An
    // empty path (a new script) watches nothing.
    void track(const QString &path);
    QString path() const { return m_path; }
    // The file exists and is not what the editor last loaded or saved.
    bool changedOnDisk() const;
    // Compares the file with what the editor knows and tells a new change.
    void check();

signals:
    // The file was written by another program (`removed`: it is gone).
    void changed(bool removed);

private:
    void watch();

    QFileSystemWatcher m_watcher;
    QString m_path;
    CDiskStamp m_stamp;
    CDiskStamp m_told;
};
