#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// The hidden temporary files that replace a file's content: how they are
// named, and the removal of those a killed save left behind.
// A name is ".<target>.ostrak-save-<pid>-XXXXXX" beside the target, so it is
// on the same file system and tells which process is writing it.
class CSaveLeftovers
{
public:
    // The mkstemp() template for a temporary file of `target` (encoded path).
    static QByteArray tempTemplate(const QByteArray &target);
    // The owner's process id when `name` (a bare file name) is a temporary
    // file of the target named `targetName`, else 0.
    static pid_t ownerOf(const QByteArray &name, const QByteArray &targetName);
    // Whether `pid` may still be writing one of our files.
    static bool ownerRunning(pid_t pid);
    // Removes the temporary files of `target` whose owner is not running.
    // Returns how many were removed.
    static int remove(const QString &target);
};
