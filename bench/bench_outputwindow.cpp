// A script printing 80 MB (1,000,000 lines of 80 bytes; another amount on
// the command line) into the output window: the time until all of it has
// gone through the window (the pane keeps and shows the latest 2 MB, the
// spill file all of it), beside `cat` of the same bytes to /dev/null and the
// same output read from a pipe and discarded, in the same run; the longest
// and the 99th-percentile time the UI thread kept a posted event waiting, and
// the most processor time one event took on it (what a busy machine cannot
// inflate); the delay from the child's first write to that text painted in
// the pane; and the process's memory, its peak included. Every line is examined for links
// to a script whose name is almost all of the line's bytes (x), none of which is one.
//
//   bench_outputwindow [megabytes] [prompts]
//
// With "prompts" the child runs as Run starts a Perl script, with the module
// that makes STDOUT unbuffered, and the script leaves $| alone: one write per
// line, the most that module can cost.
#include "run/COutputWindow.h"
#include "run/CPipe.h"
#include "run/CProcess.h"
#include "run/CPromptModule.h"
#include "run/CTerminalPane.h"

#include "CStallProbe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <vector>

#include <time.h>

namespace {

qint64 g_lines = 1000000;
bool g_prompts = false;

// The first line carries the child's clock when it wrote it, also on
// standard error, where the pane keeps it; after a pause a second line on
// standard error carries the clock at the start of the 80 MB.
const char kScript[] = R"(
use Time::HiRes qw(clock_gettime CLOCK_MONOTONIC);
$| = 1;
my $t = clock_gettime(CLOCK_MONOTONIC);
printf "T %.6f\n", $t;
printf STDERR "T %.6f\n", $t;
select undef, undef, undef, 0.3;
$| = 0;
printf STDERR "B %.6f\n", clock_gettime(CLOCK_MONOTONIC);
my $x = "x" x 71;
printf "%08d%s\n", $_, $x for 1..)";

QString script(bool withClock)
{
    QString s = QString::fromLatin1(kScript) + QString::number(g_lines) + ";\n";
    if (!withClock)
        s.replace("select undef, undef, undef, 0.3;", "");
    if (g_prompts)
        s.replace("$| = 0;", "");
    return s;
}

void prepare(CProcess &process)
{
    if (!g_prompts)
        return;
    const QString folder = QStringLiteral(OSTRAK_BIN_DIR "/OstrakPerl");
    if (!CPromptModule::isPresent(folder)) {
        std::fprintf(stderr, "the prompt module is not in %s\n", qPrintable(folder));
        std::exit(1);
    }
    process.setEnvironment(CPromptModule::environment(QProcess::systemEnvironment(), folder));
}

long statusKiB(const QByteArray &field)
{
    QFile f("/proc/self/status");
    f.open(QIODevice::ReadOnly);
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// The peer: the same child's output through a shell pipe into cat, to /dev/null.
double catSeconds()
{
    QProcess shell;
    shell.setProgram("/bin/sh");
    shell.setArguments({"-c", "/usr/bin/perl -e \"$SCRIPT\" | cat > /dev/null"});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SCRIPT", script(false));
    shell.setProcessEnvironment(env);
    const double start = nowSeconds();
    shell.start();
    shell.waitForFinished(-1);
    const double seconds = nowSeconds() - start;
    std::printf("  cat to /dev/null:           %.2f s\n", seconds);
    return seconds;
}

// The physical limit: the same child, its output read by the same polling
// pipe and thrown away.
double pipeSeconds()
{
    CPipe in, out, err;
    in.CreatePipeEnds();
    out.CreatePipeEnds();
    err.CreatePipeEnds();
    CProcess process("/usr/bin/perl", {"-e", script(false)});
    process.AttachPipes(&in, &out, &err);
    prepare(process);
    in.CloseBoth();
    const double start = nowSeconds();
    process.Start(0x2C);
    process.Resume();
    std::vector<char> buf(16 * 1024);
    qint64 total = 0;
    for (;;) {
        const int n = out.Read(buf.data(), int(buf.size()));
        total += n;
        if (n == 0 && out.AtEnd())
            break;
    }
    const double seconds = nowSeconds() - start;
    process.StartWaiter();
    process.JoinWaiter();
    std::printf("  pipe, discarded:            %.2f s for %lld bytes\n", seconds, static_cast<long long>(total));
    return seconds;
}

double threadCpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

// Notes the most processor time the UI thread spent on one event delivered
// from the event loop (nested deliveries count in their outer one).
class CTimedApplication : public QApplication
{
public:
    using QApplication::QApplication;
    double longestEventCpuMs = 0;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (m_depth > 0)
            return QApplication::notify(receiver, event);
        ++m_depth;
        const double start = threadCpuMs();
        const bool result = QApplication::notify(receiver, event);
        longestEventCpuMs = std::max(longestEventCpuMs, threadCpuMs() - start);
        --m_depth;
        return result;
    }

private:
    int m_depth = 0;
};

class CPaintWatcher : public QObject
{
public:
    double firstPaintWithText = 0;
    QPlainTextEdit *pane = nullptr;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && firstPaintWithText == 0 && !pane->document()->isEmpty())
            firstPaintWithText = nowSeconds();
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    std::signal(SIGPIPE, SIG_IGN);
    CTimedApplication qapp(argc, argv);
    const qint64 megabytes = argc > 1 ? std::max(1LL, QByteArray(argv[1]).toLongLong()) : 80;
    g_lines = megabytes * 1000 * 1000 / 80;
    g_prompts = argc > 2 && QByteArray(argv[2]) == "prompts";

    std::printf("%lld MB of output, %lld lines, platform %s%s\n", static_cast<long long>(megabytes),
                static_cast<long long>(g_lines), qPrintable(QGuiApplication::platformName()),
                g_prompts ? ", unbuffered STDOUT (prompt module)" : "");
    const double peer = catSeconds();
    const double limit = pipeSeconds();
    {
        // Fonts and styles load with the first window of a process; in the
        // program the main window has loaded them before any run.
        COutputWindow first;
        first.show();
        QApplication::processEvents();
    }
    const long rssBefore = rssKiB();

    CPipe in, out, err;
    in.CreatePipeEnds();
    out.CreatePipeEnds();
    err.CreatePipeEnds();
    CProcess process("/usr/bin/perl", {"-e", script(true)});
    process.AttachPipes(&in, &out, &err);
    prepare(process);
    process.Start(0x2C);

    double completeAt = 0;
    long rssShown = 0;
    {
        COutputWindow window;
        window.resize(900, 700);
        process.m_pListener = &window;
        window.m_pProcess = &process;
        window.m_pStdinPipe = &in;
        window.m_pStdoutPipe = &out;
        window.m_pStderrPipe = &err;
        // Every line is looked at for links to the script; none is one.
        window.setScriptPath(QStringLiteral("/tmp/x.pl"));
        QPlainTextEdit *pane = window.pane(COutputWindow::StdOut);
        CPaintWatcher watcher;
        watcher.pane = pane;
        pane->viewport()->installEventFilter(&watcher);

        // What a key press arriving during the run would have waited.
        std::unique_ptr<CStallProbe> probe;
        QObject::connect(&window, &COutputWindow::outputComplete, &window, [&] {
            completeAt = nowSeconds();
            QTimer::singleShot(200, &window, [&] {
                rssShown = rssKiB();
                window.stopAndClose();
            });
        });
        QTimer::singleShot(0, &window, [&] {
            qapp.longestEventCpuMs = 0;
            probe = std::make_unique<CStallProbe>(&window);
            process.Resume();
            in.CloseBoth();
            process.StartWaiter();
        });
        window.exec();
        const std::vector<double> waits = probe->stop();

        QPlainTextEdit *errors = window.pane(COutputWindow::StdErr);
        const QString first = errors->document()->findBlockByNumber(0).text();
        const QString second = errors->document()->findBlockByNumber(1).text();
        const QString last = pane->document()->lastBlock().previous().text();
        const double wrote = first.mid(2).toDouble();
        const double blastStart = second.mid(2).toDouble();
        const qint64 chars = pane->document()->characterCount() - 1;
        const double all = completeAt - blastStart;

        std::printf("  output window:             %.2f s -> %.1fx cat, %.1fx the pipe; the pane keeps %lld characters "
                    "(%d lines), the last \"%s\"\n", all, all / peer, all / limit, static_cast<long long>(chars),
                    pane->document()->blockCount() - 1, qPrintable(last.left(8)));
        std::printf("  first output painted:      %.1f ms after the child wrote it\n",
                    (watcher.firstPaintWithText - wrote) * 1000.0);
        printWaits(waits);
        std::printf("  UI thread, one event:      at most %.1f ms of processor time\n", qapp.longestEventCpuMs);
        std::printf("  memory (RSS):              %.0f MiB before, %.0f MiB with the text shown (%.1f bytes per byte)\n",
                    rssBefore / 1024.0, rssShown / 1024.0, double(rssShown - rssBefore) * 1024.0 / double(chars));
    }
    std::printf("  memory (RSS) after close:  %.0f MiB; peak of the whole run %.0f MiB\n", rssKiB() / 1024.0,
                statusKiB("VmHWM:") / 1024.0);
    std::printf("  targets: 80 MB within 4 s, peak memory < 300 MiB, worst stall < 100 ms, first output < 20 ms\n");
    return 0;
}
