// Opening a 10 MB script: the time from the Open call until the text is
// painted in the editor, beside the time to read the same file into memory.
//   bench_open [plain]   plain: without syntax colouring and line numbers
#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "editor/COstrakView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

class PaintWatcher : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

QByteArray makeScript(qsizetype bytes)
{
    QByteArray s = "#!/usr/bin/perl\r\nuse strict;\r\n";
    int i = 0;
    while (s.size() < bytes)
        s += "my $value" + QByteArray::number(i++) + " = $hash{'key'} + @list[3]; # a typical line\r\n";
    return s;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication qapp(argc, argv);
    const bool plain = argc > 1 && QByteArray(argv[1]) == "plain";
    QTemporaryDir dir;
    COstrakApp app(dir.path());
    const QString path = dir.filePath("big.pl");
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(makeScript(10 * 1024 * 1024));
    }

    std::vector<double> readMs, openMs;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        readMs.push_back(t.nsecsElapsed() / 1e6);

        CMainFrame frame(app);
        frame.view()->setSyntaxColouring(!plain);
        frame.view()->setLineNumbers(!plain);
        frame.resize(1000, 700);
        frame.show();
        QApplication::processEvents();
        PaintWatcher watcher;
        frame.view()->viewport()->installEventFilter(&watcher);
        t.restart();
        frame.OpenDocumentFile(path);
        while (!watcher.painted)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        openMs.push_back(t.nsecsElapsed() / 1e6);
        if (frame.view()->byteLength() != bytes.size())
            std::fprintf(stderr, "size mismatch\n");
    }
    std::printf("file: 10 MiB script, %d runs, medians, %s\n", 5,
                plain ? "plain" : "syntax colouring and line numbers");
    std::printf("read into memory (limit): %8.1f ms\n", median(readMs));
    std::printf("open until painted:       %8.1f ms  (%.1fx the read)\n", median(openMs),
                median(openMs) / std::max(0.001, median(readMs)));
    return 0;
}
