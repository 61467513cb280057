// 200 MB downloads over FTPS and SFTP through CFtpConnection, beside the curl
// command-line tool on the same URL of the same local server in the same run.
// Must run as root (the SFTP server logs in a test account).
#include "CFtpTestServer.h"
#include "CSftpTestServer.h"

#include "CurlTimer.h"
#include "ftp/CFtpConnection.h"
#include "ftp/CKnownHosts.h"
#include "ftp/CTrustStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>

namespace {

constexpr qint64 kSize = 200LL * 1024 * 1024;

double mbPerSecond(qint64 ms) { return ms > 0 ? kSize / 1048576.0 / (ms / 1000.0) : 0; }

void writeBig(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray chunk(1024 * 1024, Qt::Uninitialized);
    for (qint64 done = 0; done < kSize; done += chunk.size()) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(chunk.data()), chunk.size() / 4);
        f.write(chunk);
    }
}

qint64 timeOurs(const QString &host, const char *user, const char *password, int port)
{
    CFtpConnection c;
    if (QString e = c.connect(host, QLatin1String(user), QLatin1String(password), port); !e.isEmpty()) {
        std::fprintf(stderr, "connect failed: %s\n", qPrintable(e));
        return 1 << 30;
    }
    qint64 received = 0;
    QElapsedTimer t;
    t.start();
    const QString e = c.readFile(QStringLiteral("big.bin"), CFtpConnection::Binary, [&received](const char *, size_t n) {
        received += qint64(n);
        return true;
    });
    const qint64 ms = t.elapsed();
    if (!e.isEmpty() || received != kSize)
        std::fprintf(stderr, "download failed: %s\n", qPrintable(e));
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    // Trust and known hosts go to a home of the benchmark's own.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
    QCoreApplication app(argc, argv);
    CFtpTestServer ftps;
    CSftpTestServer sftp;
    for (const QString &why : {ftps.start(CFtpTestServer::Tls), sftp.start()}) {
        if (!why.isEmpty()) {
            std::fprintf(stderr, "server did not start: %s\n", qPrintable(why));
            return 1;
        }
    }
    writeBig(ftps.path(QStringLiteral("big.bin")));
    QFile::copy(ftps.path(QStringLiteral("big.bin")), sftp.path(QStringLiteral("big.bin")));
    CTrustStore::trust(QStringLiteral("127.0.0.1"), ftps.port(), ftps.fingerprint());
    CKnownHosts::add(CKnownHosts::userFile(), QStringLiteral("127.0.0.1"), sftp.port(), sftp.hostKey());
    const QString out = QStringLiteral("/dev/null");

    struct Row { const char *name; QString host; const char *user; const char *password; int port; QStringList curl; };
    const Row rows[] = {
        {"FTPS", QStringLiteral("ftps://127.0.0.1"), CFtpTestServer::user, CFtpTestServer::password, ftps.port(),
         {"-s", "-k", "--ssl-reqd", "-o", out, QStringLiteral("ftp://%1:%2@127.0.0.1:%3/big.bin")
                                                   .arg(CFtpTestServer::user, CFtpTestServer::password).arg(ftps.port())}},
        {"SFTP", QStringLiteral("sftp://127.0.0.1"), CSftpTestServer::user, CSftpTestServer::password, sftp.port(),
         {"-s", "-k", "-o", out, QStringLiteral("sftp://%1:%2@127.0.0.1:%3%4")
                                     .arg(CSftpTestServer::user, CSftpTestServer::password).arg(sftp.port())
                                     .arg(sftp.path(QStringLiteral("big.bin")))}},
    };
    std::printf("200 MB download over loopback into nothing (curl -o /dev/null), best of 4\n");
    for (const Row &row : rows) {
        qint64 ours = 1 << 30, curl = 1 << 30;
        for (int round = 0; round < 4; ++round) {
            // Both discard what they receive (the disk is not measured); who goes first alternates.
            if (round % 2)
                curl = std::min(curl, timeCurl(row.curl));
            ours = std::min(ours, timeOurs(row.host, row.user, row.password, row.port));
            if (!(round % 2))
                curl = std::min(curl, timeCurl(row.curl));
        }
        std::printf("%s: curl %.0f MB/s, CFtpConnection %.0f MB/s, ratio %.2f (target >= 0.9)\n", row.name,
                    mbPerSecond(curl), mbPerSecond(ours), mbPerSecond(ours) / mbPerSecond(curl));
    }
    return 0;
}
