// Debugger step cost: from a step to the current-line marker on the new line
// and the Variables view filled, for a frame with 1,000 locals and a hash of
// 100,000 keys. The floor is the same commands typed to perl -d over the
// socket by the bench itself, read up to each prompt with blocking reads.
#include "MedianTime.h"
#include "debug/CBreakpointMargin.h"
#include "debug/CDebugReply.h"
#include "debug/CPerlDebugSession.h"
#include "debug/CVariablesTree.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kLocals = 1000;
constexpr int kSteps = 25;

QByteArray benchScript(int *firstStepLine)
{
    QByteArray text = "my %big;\n$big{\"key$_\"} = $_ for 1 .. 100000;\n";
    for (int i = 0; i < kLocals; ++i)
        text += "my $v" + QByteArray::number(i) + " = " + QByteArray::number(i) + ";\n";
    *firstStepLine = 2 + kLocals + 1;
    for (int i = 0; i < kSteps + 5; ++i)
        text += "$v" + QByteArray::number(i) + "++;\n";
    return text;
}

QByteArray readReply(QTcpSocket &socket)
{
    QByteArray reply;
    while (!CDebugReply::isComplete(reply)) {
        if (!socket.waitForReadyRead(30000))
            qFatal("no reply from perl -d");
        reply += socket.readAll();
    }
    return reply;
}

// Median milliseconds per step when the bench types `commands` after each
// "n" itself; the first reply of each command is awaited before the next.
double floorMs(const QString &perl, const QString &script, int runToLine, const QList<QByteArray> &commands)
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PERLDB_OPTS", QStringLiteral("RemotePort=127.0.0.1:%1 ReadLine=0").arg(server.serverPort()));
    environment.insert("TERM", "dumb");
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QFileInfo(script).absolutePath());
    process.start(perl, {"-d", script});
    if (!server.waitForNewConnection(10000))
        qFatal("perl -d did not connect");
    QTcpSocket *socket = server.nextPendingConnection();
    readReply(*socket);
    for (const QByteArray &setup : {QByteArray("o inhibit_exit=0 PrintRet=0"), CPerlDebugSession::helperLine(),
                                    "c " + QByteArray::number(runToLine)}) {
        socket->write(setup + '\n');
        readReply(*socket);
    }
    const double ms = medianMs(kSteps, [&] {
        for (const QByteArray &command : QList<QByteArray>{"n"} + commands) {
            socket->write(command + '\n');
            readReply(*socket);
        }
    });
    process.kill();
    process.waitForFinished();
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString perl = QStandardPaths::findExecutable("perl");
    QTemporaryDir dir;
    int firstStepLine = 0;
    const QString script = dir.filePath("bench.pl");
    QFile file(script);
    if (perl.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(benchScript(&firstStepLine)) < 0)
        qFatal("cannot set up: perl %s", qPrintable(perl));
    file.close();

    // Ours: the session, an editor with the marker, and the Variables tree.
    QsciScintilla editor;
    editor.setText(QString::fromUtf8(benchScript(&firstStepLine)));
    CBreakpointMargin margin(&editor);
    CVariablesTree tree;
    editor.resize(800, 600);
    tree.resize(600, 400);
    editor.show();
    tree.show();
    CPerlDebugSession session;
    int varsSeen = 0;
    int lastLine = 0;
    qsizetype lastCount = 0;
    QObject::connect(&session, &CPerlDebugSession::stopped, [&](const CDebugLocation &where) {
        lastLine = where.line;
        margin.setCurrentLine(where.line);
        editor.ensureLineVisible(where.line - 1);
    });
    QObject::connect(&session, &CPerlDebugSession::variablesChanged, [&](const QList<CDebugVariable> &list, const QString &why) {
        if (!why.isEmpty())
            qFatal("variables: %s", qPrintable(why));
        tree.setVariables(list);
        lastCount = list.size();
        ++varsSeen;
    });
    session.setBreakpoints({{QFileInfo(script).canonicalFilePath(), firstStepLine, QString()}});
    if (!session.start(perl, script, QProcess::systemEnvironment()))
        qFatal("%s", qPrintable(session.errorString()));
    auto waitVars = [&](int count) {
        while (varsSeen < count)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    waitVars(1);
    session.continueRun();
    waitVars(2);
    if (lastLine != firstStepLine)
        qFatal("stopped at %d, not %d", lastLine, firstStepLine);
    const double oursMs = medianMs(kSteps, [&] {
        const int before = varsSeen;
        const int from = lastLine;
        session.stepOver();
        waitVars(before + 1);
        if (margin.currentLine() != from + 1)
            qFatal("marker on %d, expected %d", margin.currentLine(), from + 1);
        tree.repaint();
        editor.repaint();
    });
    session.stop();

    const double stepOnly = floorMs(perl, script, firstStepLine, {});
    const double sameCommands = floorMs(perl, script, firstStepLine, {"T", "DB::ostrak_vars(0)"});
    std::printf("frame: %lld top-level variables (1,000 scalars, %%big of 100,000 keys), %d steps, medians\n",
                static_cast<long long>(lastCount), kSteps);
    std::printf("perl -d typed by the bench, n only:              %7.1f ms/step\n", stepOnly);
    std::printf("perl -d typed by the bench, n + T + locals JSON: %7.1f ms/step (floor)\n", sameCommands);
    std::printf("Ostrak: step -> marker moved + Variables filled: %7.1f ms/step (%.2fx floor; target 100 ms)\n", oursMs,
                oursMs / sameCommands);
    return 0;
}
