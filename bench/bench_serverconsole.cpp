// A server printing 50 MB (655,360 lines of 80 bytes) into the server
// console as fast as loopback carries it: the time until all of it has been
// read (the console's note on the server's close comes after the last byte),
// beside the same bytes read by a bare socket and discarded in the same run;
// the longest and the 99th-percentile time the UI thread kept a posted event
// waiting; the characters the console shows (its cap) and the memory used.
#include "CStallProbe.h"
#include "app/COstrakApp.h"
#include "server/CServerConsoleDlg.h"
#include "server/CServerSocket.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr qint64 kTotal = 50LL * 1024 * 1024;

// Listens on 127.0.0.1; the first connection gets 50 MB of lines, then the
// server closes it.
class CBlaster
{
public:
    CBlaster()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(m_listen, 1);
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] {
            const int c = ::accept(m_listen, nullptr, nullptr);
            QByteArray block;
            for (int i = 0; block.size() < 64 * 1024; ++i)
                block += QByteArray::number(100000000 + i).leftJustified(78, '.') + "\r\n";
            for (qint64 sent = 0; sent < kTotal;) {
                const ssize_t n = ::write(c, block.constData(), size_t(std::min<qint64>(block.size(), kTotal - sent)));
                if (n <= 0)
                    break;
                sent += n;
            }
            ::close(c);
        });
    }
    ~CBlaster()
    {
        m_thread.join();
        ::close(m_listen);
    }
    quint16 port() const { return m_port; }

private:
    int m_listen;
    quint16 m_port;
    std::thread m_thread;
};

double bareSocketSeconds()
{
    CBlaster blaster;
    QTcpSocket s;
    const double start = nowSeconds();
    s.connectToHost(QHostAddress::LocalHost, blaster.port());
    qint64 total = 0;
    while (s.waitForReadyRead(2000))
        total += s.readAll().size();
    const double seconds = nowSeconds() - start;
    std::printf("  bare socket, discarded:    %.2f s for %lld bytes\n", seconds, static_cast<long long>(total));
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication qapp(argc, argv);
    std::printf("50 MB of server output, platform %s\n", qPrintable(QGuiApplication::platformName()));
    const double limit = bareSocketSeconds();
    const long rssBefore = rssKiB();

    QTemporaryDir dir;
    CBlaster blaster;
    QFile cfg(dir.filePath("Ostrak.cfg"));
    cfg.open(QIODevice::WriteOnly);
    cfg.write("SERVER_HOST=127.0.0.1\r\nSERVER_PORT_NUMBER=" + QByteArray::number(blaster.port()) + "\r\n");
    cfg.close();
    COstrakApp app(dir.path());
    app.ReadConfiguration();

    CServerConsoleDlg console(app);
    console.resize(900, 700);
    console.show();
    double firstShown = 0, done = 0;
    QObject::connect(console.output(), &QPlainTextEdit::textChanged, &console, [&] {
        if (firstShown == 0)
            firstShown = nowSeconds();
    });
    QObject::connect(&console.socket(), &CServerSocket::closedByServer, &console, [&] {
        done = nowSeconds();
        QTimer::singleShot(200, &qapp, &QCoreApplication::quit);
    });
    CStallProbe probe(&console);
    const double start = nowSeconds();
    console.OnConnect();
    qapp.exec();
    const std::vector<double> waits = probe.stop();
    const qint64 chars = console.output()->document()->characterCount() - 1;
    const double all = done - start;
    std::printf("  server console:            %.2f s for all of it -> %.1fx the bare socket\n", all, all / limit);
    std::printf("  first text shown:          %.1f ms after Connect\n", (firstShown - start) * 1000.0);
    printWaits(waits);
    std::printf("  shown: %lld characters (cap %lld); memory (RSS) %.0f MiB before, %.0f MiB after\n",
                static_cast<long long>(chars), static_cast<long long>(CServerConsoleDlg::OutputLimit),
                rssBefore / 1024.0, rssKiB() / 1024.0);
    std::printf("  targets (those of the output window): worst stall < 100 ms, all of it within 5 s\n");
    return 0;
}
