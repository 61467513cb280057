// 50 MB of lines printed by `cat` on the server into the server console over
// SSH (a shell on a pseudo-terminal, read only while the console has room):
// the time until all of it has been read, beside the OpenSSH client running
// `cat` on the same file with its output sent to /dev/null, and beside the
// same file read through an SSH command channel and discarded, all in the
// same run against the tests' own sshd; the longest and the 99th-percentile
// time the UI thread kept a posted event waiting. Must run as root (the
// server logs in a test account).
#include "CSftpTestServer.h"
#include "CStallProbe.h"

#include "app/COstrakApp.h"
#include "ftp/CKnownHosts.h"
#include "server/CServerConsoleDlg.h"
#include "ssh/CSshConsole.h"
#include "ssh/CSshSession.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

namespace {

constexpr qint64 kTotal = 50LL * 1024 * 1024;
const QString kFile = QStringLiteral("lines.txt");

// Counts what a command channel brings and drops it.
struct CDiscard : CSshChannelSink
{
    std::atomic<qint64> bytes{0};
    std::atomic<bool> done{false};
    qsizetype take(Stream, QByteArrayView b) override
    {
        bytes += b.size();
        return b.size();
    }
    void ended(long) override { done = true; }
};

double openSshSeconds(const CSftpTestServer &server)
{
    QProcess ssh;
    ssh.setStandardOutputFile(QProcess::nullDevice());
    const double start = nowSeconds();
    ssh.start(QStringLiteral("ssh"), {"-i", server.clientKey(), "-o", "BatchMode=yes", "-o",
                                      "UserKnownHostsFile=" + CKnownHosts::userFile(), "-p", QString::number(server.port()),
                                      QStringLiteral("%1@127.0.0.1").arg(QLatin1String(CSftpTestServer::shellUser)),
                                      "cat " + kFile});
    ssh.waitForFinished(300000);
    const double seconds = nowSeconds() - start;
    std::printf("  OpenSSH client, cat > /dev/null:  %.2f s (exit %d)\n", seconds, ssh.exitCode());
    return seconds;
}

double channelSeconds(const CSshLogin &login)
{
    CSshSession session;
    CDiscard sink;
    QObject::connect(&session, &CSshSession::opened, &session, [&] {
        session.setSink(&sink);
        session.openCommand("cat " + kFile);
    });
    QObject::connect(&session, &CSshSession::failed, &session,
                     [](const QString &why) { std::fprintf(stderr, "channel: %s\n", qPrintable(why)); });
    const double start = nowSeconds();
    session.open(login);
    while (!sink.done && nowSeconds() - start < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const double seconds = nowSeconds() - start;
    std::printf("  command channel, discarded:       %.2f s for %lld bytes\n", seconds,
                static_cast<long long>(sink.bytes.load()));
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QApplication qapp(argc, argv);
    CSftpTestServer server(CSftpTestServer::Shell);
    if (const QString why = server.start(); !why.isEmpty()) {
        std::fprintf(stderr, "The SSH test server did not start: %s\n", qPrintable(why));
        return 1;
    }
    QDir().mkpath(home.filePath(".ssh"));
    CKnownHosts::add(CKnownHosts::userFile(), QStringLiteral("127.0.0.1"), server.port(), server.hostKey());
    QFile::copy(server.clientKey(), home.filePath(".ssh/id_ed25519"));
    QFile::setPermissions(home.filePath(".ssh/id_ed25519"), QFile::ReadOwner | QFile::WriteOwner);
    QByteArray lines;
    for (int i = 0; lines.size() < kTotal; ++i)
        lines += QByteArray::number(100000000 + i).leftJustified(79, '.') + '\n';
    lines.truncate(kTotal);
    server.write(kFile, lines);
    lines.clear();

    std::printf("50 MB of remote output over SSH, platform %s\n", qPrintable(QGuiApplication::platformName()));
    const double peer = openSshSeconds(server);
    const CSshLogin login{QStringLiteral("127.0.0.1"), server.port(), QLatin1String(CSftpTestServer::shellUser), QString(), 20};
    channelSeconds(login);

    QTemporaryDir dir;
    QFile cfg(dir.filePath("Ostrak.cfg"));
    cfg.open(QIODevice::WriteOnly);
    cfg.write("SERVER_TYPE=ssh\r\nSERVER_HOST=127.0.0.1\r\nSERVER_PORT_NUMBER=" + QByteArray::number(server.port())
              + "\r\nSERVER_USER=" + CSftpTestServer::shellUser + "\r\n");
    cfg.close();
    COstrakApp app(dir.path());
    app.ReadConfiguration();
    CServerConsoleDlg console(app);
    console.resize(900, 700);
    console.show();
    double connected = 0, done = 0;
    QObject::connect(&console.sshConsole(), &CSshConsole::connectFailed, &console, [&](const QString &why) {
        std::fprintf(stderr, "console: %s\n", qPrintable(why));
        qapp.quit();
    });
    QObject::connect(&console.sshConsole(), &CSshConsole::connected, &console, [&] {
        connected = nowSeconds();
        console.RunCommand("cat " + kFile + "; exit");
    });
    QObject::connect(&console.sshConsole(), &CSshConsole::closedByServer, &console, [&] {
        done = nowSeconds();
        QTimer::singleShot(200, &qapp, &QCoreApplication::quit);
    });
    const double start = nowSeconds();
    CStallProbe probe(&console);
    console.OnConnect();
    qapp.exec();
    const std::vector<double> waits = probe.stop();
    const double all = done - connected;
    std::printf("  server console over SSH:          %.2f s for all of it after the login (%.0f ms) -> %.1fx the "
                "OpenSSH client\n",
                all, (connected - start) * 1000.0, all / peer);
    printWaits(waits);
    std::printf("  shown: %lld characters (cap %lld); memory (RSS) %.0f MiB\n",
                static_cast<long long>(console.output()->document()->characterCount() - 1),
                static_cast<long long>(CServerConsoleDlg::OutputLimit), rssKiB() / 1024.0);
    std::printf("  target: worst stall < 100 ms\n");
    return 0;
}
