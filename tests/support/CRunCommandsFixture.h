#pragma once

#include "CTestEnvironment.h"

#include "app/CMainFrame.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "run/COutputWindow.h"
#include "run/CRunCommands.h"
#include "run/CSendInputDlg.h"
#include "run/CTerminalPane.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <functional>

// A main frame whose settings name the real perl, java and javac, its run
// commands with messages collected instead of shown.
struct CRunCommandsFixture
{
    explicit CRunCommandsFixture(const QStringList &settings = {})
    {
        // As in the editor: a write to a pipe nobody reads fails instead of killing.
        ::signal(SIGPIPE, SIG_IGN);
        env.writeConfig(QStringList{"LOCAL_PERL_EXE=/usr/bin/perl", "LOCAL_JAVA_EXE=/usr/bin/java",
                                    "LOCAL_JAVAC_EXE=/usr/bin/javac"} + settings);
        frame = std::make_unique<CMainFrame>(env.app());
        frame->OnFileNew();
        commands = frame->view()->findChild<CRunCommands *>();
        commands->m_showMessage = [this](const QString &text) { messages << text; };
    }

    ~CRunCommandsFixture()
    {
        if (frame && frame->document())
            frame->document()->setModified(false);
    }

    // Writes the script into `folder` of the program directory and opens it;
    // its path, or empty when it could not be opened.
    QString openScript(const QString &name, const QByteArray &body, const QString &folder = QString())
    {
        const QString dir = folder.isEmpty() ? env.programDir() : env.path(folder);
        QDir().mkpath(dir);
        const QString path = QDir(dir).filePath(name);
        CTestEnvironment::writeFile(path, body);
        return frame->OpenDocumentFile(path) ? path : QString();
    }

    static bool waitFor(COutputWindow *w, COutputWindow::Stream s, const QString &text, int ms = 60000)
    {
        return QTest::qWaitFor([&] { return w->pane(s)->toPlainText().contains(text); }, ms);
    }

    static void sendLine(COutputWindow *w, const QString &line)
    {
        w->findChild<QAction *>("command33015")->trigger();
        w->sendInputDlg().lineEdit()->setText(line);
        w->sendInputDlg().sendButton()->click();
    }

    // Triggers the command and runs `drive` in the output window's modal
    // loop; then waits for the end of the run unless `drive` closed the
    // window. Returns stdout, stderr and the status line, joined by "|";
    // `ended` tells whether the run was seen to end.
    QString run(int id, const std::function<void(COutputWindow *)> &drive = {}, bool *ended = nullptr)
    {
        QString outcome;
        bool done = false;
        auto connection = QObject::connect(commands, &CRunCommands::outputWindowShown, commands, [&](COutputWindow *w) {
            QTimer::singleShot(0, w, [&, w] {
                if (drive)
                    drive(w);
                if (w->isVisible())
                    done = QTest::qWaitFor(
                        [w] { return w->isOutputComplete() && w->isCompletionReported(); }, 120000);
                outcome = w->pane(COutputWindow::StdOut)->toPlainText() + "|"
                          + w->pane(COutputWindow::StdErr)->toPlainText() + "|" + w->statusLine()->text();
                w->stopAndClose();
            });
        });
        frame->action(id)->trigger();
        QObject::disconnect(connection);
        if (ended)
            *ended = done;
        return outcome;
    }

    CTestEnvironment env;
    std::unique_ptr<CMainFrame> frame;
    CRunCommands *commands = nullptr;
    QStringList messages;
};
