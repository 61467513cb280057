#pragma once

#include <QString>
#include <QStringList>

// The drives of the directory chooser: the root folders of the mounted file
// systems that live on a device, "/" first.
class CDriveList
{
public:
    static QStringList roots();
    // The drive holding `path`: the longest root that is `path` itself or a
    // folder above it, letter case ignored; "/" for any other absolute path,
    // empty for a relative one.
    static QString driveOf(const QString &path, const QStringList &roots);
};
