#include "CDriveList.h"

#include <QStorageInfo>

QStringList CDriveList::roots()
{
    QStringList list{QStringLiteral("/")};
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || !volume.device().startsWith("/dev/"))
            continue;
        const QString root = volume.rootPath();
        if (!list.contains(root))
            list << root;
    }
    return list;
}

QString CDriveList::driveOf(const QString &path, const QStringList &roots)
{
    if (!path.startsWith(QLatin1Char('/')))
        return {};
    QString best = QStringLiteral("/");
    for (const QString &root : roots) {
        const bool holds = path.compare(root, Qt::CaseInsensitive) == 0
            || path.startsWith(root + QLatin1Char('/'), Qt::CaseInsensitive);
        if (holds && root.size() > best.size())
            best = root;
    }
    return best;
}
