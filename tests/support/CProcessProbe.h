#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

#include <sys/types.h>
#include <unistd.h>

// What /proc tells about this test process: its open descriptors and the
// state of its children, to show that runs leave nothing behind.
inline int openDescriptorCount()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// The state letter of a process ('Z' for a zombie), or 0 when it is gone.
inline char processState(pid_t pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    const qsizetype paren = stat.lastIndexOf(')');
    return paren > 0 && paren + 2 < stat.size() ? stat.at(paren + 2) : 0;
}

// Gone, or a zombie left for its new parent: it runs no more.
inline bool processGone(pid_t pid)
{
    const char state = processState(pid);
    return state == 0 || state == 'Z';
}

// The state letters of this process's children.
inline QByteArray childStates()
{
    QByteArray states;
    const QByteArray self = QByteArray::number(::getpid());
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = f.readAll();
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1) == self)
            states += fields.at(0);
    }
    return states;
}
