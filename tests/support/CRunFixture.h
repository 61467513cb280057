#pragma once

#include "CTestEnvironment.h"

#include "app/CMainFrame.h"
#include "editor/COstrakView.h"
#include "run/COutputWindow.h"
#include "run/CRunCommands.h"
#include "run/CSendInputDlg.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>

// A main frame whose Perl and Java settings name the real interpreters, and
// the run commands of its view with messages collected instead of shown.
class CRunFixture
{
public:
    static constexpr int LongWait = 120000;

    struct Outcome
    {
        bool shown = false;
        QString out, err, status;
    };

    CRunFixture()
    {
        ::signal(SIGPIPE, SIG_IGN);
        env.writeConfig({"LOCAL_PERL_EXE=/usr/bin/perl", "LOCAL_JAVA_EXE=/usr/bin/java", "LOCAL_JAVAC_EXE=/usr/bin/javac",
                         "RUN_IN_DOS_WINDOW=N"});
        frame = std::make_unique<CMainFrame>(env.app());
        commands = frame->view()->findChild<CRunCommands *>();
        commands->m_showMessage = [this](const QString &text) { messages << text; };
    }

    // Writes the script and opens it; its path, empty when it did not open.
    QString writeScript(const QString &name, const QByteArray &body, const QString &folder = QString())
    {
        const QString dir = folder.isEmpty() ? env.programDir() : env.path(folder);
        QDir().mkpath(dir);
        const QString path = QDir(dir).filePath(name);
        CTestEnvironment::writeFile(path, body);
        return frame->OpenDocumentFile(path) ? path : QString();
    }

    static bool waitForText(COutputWindow *w, COutputWindow::Stream s, const QString &text, int timeoutMs = LongWait)
    {
        return QTest::qWaitFor([&] { return w->pane(s)->toPlainText().contains(text); }, timeoutMs);
    }

    // One line through the window's Send Input command.
    static CSendInputDlg &sendLine(COutputWindow *w, const QString &line)
    {
        w->findChild<QAction *>("command33015")->trigger();
        CSendInputDlg &send = w->sendInputDlg();
        send.lineEdit()->setText(line);
        send.sendButton()->click();
        return send;
    }

    // Triggers the command; `drive` runs inside the output window's modal
    // loop, after which the run is awaited (unless `drive` closed the window)
    // and the window closed.
    Outcome trigger(int id, const std::function<void(COutputWindow *)> &drive = {})
    {
        Outcome outcome;
        auto connection = QObject::connect(commands, &CRunCommands::outputWindowShown, commands, [&](COutputWindow *w) {
            outcome.shown = true;
            QTimer::singleShot(0, w, [&, w] {
                if (drive)
                    drive(w);
                const bool closedByDrive = !w->isVisible();
                const bool done = closedByDrive || QTest::qWaitFor([w] {
                    return w->isOutputComplete() && !w->statusLine()->text().isEmpty();
                }, LongWait);
                outcome.out = w->pane(COutputWindow::StdOut)->toPlainText();
                outcome.err = w->pane(COutputWindow::StdErr)->toPlainText();
                outcome.status = w->statusLine()->text();
                if (!closedByDrive)
                    w->OnClose();
                QVERIFY2(done, "the run did not end");
            });
        });
        frame->action(id)->trigger();
        QObject::disconnect(connection);
        return outcome;
    }

    CTestEnvironment env;
    std::unique_ptr<CMainFrame> frame;
    CRunCommands *commands = nullptr;
    QStringList messages;
};
