#include "CFolderScan.h"

#include <QFile>

#include <dirent.h>
#include <sys/stat.h>

QStringList CFolderScan::subfolders(const QString &path)
{
    QStringList names;
    const QByteArray encoded = QFile::encodeName(path.isEmpty() ? QStringLiteral("/") : path);
    DIR *dir = ::opendir(encoded.constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        bool isDir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            isDir = ::fstatat(::dirfd(dir), name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (isDir)
            names << QFile::decodeName(name);
    }
    ::closedir(dir);
    return names;
}

QString CFolderScan::join(const QString &parent, const QString &name)
{
    return parent.endsWith(QLatin1Char('/')) ? parent + name : parent + QLatin1Char('/') + name;
}
