#pragma once

#include <QString>
#include <QStringList>

// Lists the folders of one folder for the directory chooser.
class CFolderScan
{
public:
    // The names of the folders directly inside `path` (links to folders
    // included), in the order the file system lists them, without "." and "..".
    static QStringList subfolders(const QString &path);
    // `parent` and `name` joined by one "/".
    static QString join(const QString &parent, const QString &name);
};
