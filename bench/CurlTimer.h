#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <cstdio>

// Runs the curl command-line tool with `args`; returns the milliseconds it took.
inline qint64 timeCurl(const QStringList &args)
{
    QElapsedTimer t;
    t.start();
    QProcess curl;
    curl.start(QStringLiteral("curl"), args);
    curl.waitForFinished(-1);
    if (curl.exitCode() != 0)
        std::fprintf(stderr, "curl failed: %s\n", curl.readAllStandardError().constData());
    return t.elapsed();
}
