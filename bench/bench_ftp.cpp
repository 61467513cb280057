// 200 MB download and upload over loopback through CFtpConnection, beside
// the curl command-line tool against the same local server in the same run.
#include "CurlTimer.h"
#include "ftp/CFtpConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr qint64 kSize = 200LL * 1024 * 1024;

double mbPerSecond(qint64 bytes, qint64 ms) { return ms > 0 ? bytes / 1048576.0 / (ms / 1000.0) : 0; }

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    QTemporaryDir local;
    {
        QFile f(QDir(root.path()).filePath(QStringLiteral("big.bin")));
        f.open(QIODevice::WriteOnly);
        QByteArray chunk(1024 * 1024, Qt::Uninitialized);
        for (qint64 done = 0; done < kSize; done += chunk.size()) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(chunk.data()), chunk.size() / 4);
            f.write(chunk);
        }
    }
    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-m"), QStringLiteral("pyftpdlib"), QStringLiteral("-i"), QStringLiteral("127.0.0.1"),
                  QStringLiteral("-p"), QStringLiteral("0"), QStringLiteral("-w"), QStringLiteral("-d"), root.path(),
                  QStringLiteral("-u"), QStringLiteral("u"), QStringLiteral("-P"), QStringLiteral("p")});
    int port = 0;
    QByteArray log;
    static const QRegularExpression portLine(QStringLiteral("starting FTP server on [^ ]+:(\\d+)"));
    for (int i = 0; i < 100 && !port; ++i) {
        server.waitForReadyRead(100);
        log += server.readAll();
        const auto m = portLine.match(QString::fromUtf8(log));
        if (m.hasMatch())
            port = m.captured(1).toInt();
    }
    if (!port) {
        std::fprintf(stderr, "FTP server did not start: %s\n", log.constData());
        return 1;
    }
    const QString url = QStringLiteral("ftp://u:p@127.0.0.1:%1/").arg(port);
    const QString upload = QDir(local.path()).filePath(QStringLiteral("big.bin"));

    qint64 oursDown = 1 << 30, curlDown = 1 << 30, oursUp = 1 << 30, curlUp = 1 << 30;
    for (int round = 0; round < 5; ++round) {
        // Active mode on both sides, as the editor transfers.
        curlDown = std::min(curlDown, timeCurl({QStringLiteral("-s"), QStringLiteral("-P"), QStringLiteral("-"),
                                                QStringLiteral("-o"), upload, url + QStringLiteral("big.bin")}));
        CFtpConnection ftp;
        if (QString e = ftp.connect(QStringLiteral("127.0.0.1"), QStringLiteral("u"), QStringLiteral("p"), port); !e.isEmpty()) {
            std::fprintf(stderr, "connect failed: %s\n", qPrintable(e));
            return 1;
        }
        {
            QFile out(upload + QStringLiteral(".ours"));
            out.open(QIODevice::WriteOnly);
            QElapsedTimer t;
            t.start();
            const QString e = ftp.readFile(QStringLiteral("big.bin"), CFtpConnection::Binary,
                                           [&out](const char *d, size_t n) { return out.write(d, qint64(n)) == qint64(n); });
            out.close();
            oursDown = std::min(oursDown, t.elapsed());
            if (!e.isEmpty() || out.size() != kSize)
                std::fprintf(stderr, "download failed: %s\n", qPrintable(e));
        }
        curlUp = std::min(curlUp, timeCurl({QStringLiteral("-s"), QStringLiteral("-P"), QStringLiteral("-"),
                                            QStringLiteral("-T"), upload, url + QStringLiteral("up-curl.bin")}));
        {
            QElapsedTimer t;
            t.start();
            const QString e = ftp.putFile(upload, QStringLiteral("up-ours.bin"), CFtpConnection::Binary);
            oursUp = std::min(oursUp, t.elapsed());
            if (!e.isEmpty())
                std::fprintf(stderr, "upload failed: %s\n", qPrintable(e));
        }
    }
    server.kill();
    server.waitForFinished();

    const double cd = mbPerSecond(kSize, curlDown), od = mbPerSecond(kSize, oursDown);
    const double cu = mbPerSecond(kSize, curlUp), ou = mbPerSecond(kSize, oursUp);
    std::printf("200 MB over loopback, active mode, best of 5\n");
    std::printf("download: curl %.0f MB/s, CFtpConnection %.0f MB/s, ratio %.2f (target >= 0.9)\n", cd, od, od / cd);
    std::printf("upload:   curl %.0f MB/s, CFtpConnection %.0f MB/s, ratio %.2f (target >= 0.9)\n", cu, ou, ou / cu);
    return 0;
}
