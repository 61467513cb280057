#pragma once

#include <QString>
#include <QStringList>

class QObject;
class QProcess;

// Starts an In Browser window: the program ostrak-browser, a process of its
// own, on a file's path.
class CBrowserLauncher
{
public:
    // ostrak-browser beside the running executable, else on the PATH.
    static QString defaultProgram();
    // Starts `program` on `pathName`; the process is a child of `parent`.
    // Null when it could not be started.
    static QProcess *start(const QString &program, const QString &pathName, QObject *parent);
    // Ends a browser still running (the browsers go with the main window).
    static void stop(QProcess *browser);
};
