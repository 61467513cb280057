#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <sys/types.h>
#include <unistd.h>

// What /proc tells about this test process and its children, to show that
// runs leave nothing behind.
inline int openDescriptorCount()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

inline QList<QByteArray> processStat(const QString &pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray stat = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    return stat.isEmpty() ? QList<QByteArray>{} : stat.mid(stat.lastIndexOf(')') + 2).split(' ');
}

// Gone, or a zombie left for its new parent: it runs no more.
inline bool processGone(pid_t pid)
{
    const QList<QByteArray> stat = processStat(QString::number(pid));
    return stat.isEmpty() || stat.first() == "Z";
}

// The state letters of this process's children ('Z' for a zombie).
inline QByteArray childStates()
{
    QByteArray states;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QList<QByteArray> stat = processStat(entry);
        if (stat.size() > 1 && stat.at(1) == QByteArray::number(::getpid()))
            states += stat.at(0);
    }
    return states;
}
