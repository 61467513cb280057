#include "CFileChangeWatcher.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

CDiskStamp CDiskStamp::of(const QString &path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, static_cast<qint64>(st.st_size), static_cast<qint64>(st.st_mtim.tv_sec) * 1'000'000'000
                                                       + st.st_mtim.tv_nsec,
            static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
}

CFileChangeWatcher::CFileChangeWatcher(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &CFileChangeWatcher::check);
    // A program that saves by renaming a new file over the old one, or that
    // removes and writes it again, is seen through the folder.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &CFileChangeWatcher::check);
}

void CFileChangeWatcher::track(const QString &path)
{
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_path = path;
    m_stamp = CDiskStamp::of(path);
    m_told = m_stamp;
    watch();
}

void CFileChangeWatcher::watch()
{
    if (m_path.isEmpty())
        return;
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!m_watcher.directories().contains(folder) && QFileInfo(folder).isDir())
        m_watcher.addPath(folder);
    if (!m_watcher.files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
}

bool CFileChangeWatcher::changedOnDisk() const
{
    const CDiskStamp now = CDiskStamp::of(m_path);
    return now.exists && now != m_stamp;
}

void CFileChangeWatcher::check()
{
    if (m_path.isEmpty())
        return;
    watch();   // a replaced file is watched anew
    const CDiskStamp now = CDiskStamp::of(m_path);
    if (now == m_told)
        return;
    m_told = now;
    if (now != m_stamp)
        emit changed(!now.exists);
}
