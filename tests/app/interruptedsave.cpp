// Writes argv[2] MB to argv[1] through CAtomicFile, stops halfway, prints the
// temporary file's path and waits to be killed.
#include "app/CAtomicFile.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    CAtomicFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open().isEmpty())
        return 1;
    const QByteArray chunk(1 << 20, 'n');
    const int megabytes = std::atoi(argv[2]);
    for (int i = 0; i < megabytes / 2; ++i)
        if (!file.append(chunk).isEmpty())
            return 1;
    std::printf("%s\n", file.temporaryPath().toLocal8Bit().constData());
    std::fflush(stdout);
    char c;
    while (::read(0, &c, 1) != 0) {
    }
    return 0;
}
