#pragma once

#include "CTestEnvironment.h"

#include "app/CMainFrame.h"
#include "editor/COstrakDoc.h"

#include <QByteArray>
#include <QTest>

#include <memory>

// A main frame with a new document on a throw-away program directory that
// holds `functions` as OSTRAK.FNL (no file at all when `functions` is null).
struct CFrameFixture
{
    CMainFrame &open(const QByteArray &functions = QByteArrayLiteral("abs,Absolute,abs($x);\n"))
    {
        close();
        env = std::make_unique<CTestEnvironment>();
        if (!functions.isNull())
            CTestEnvironment::writeFile(env->path(QStringLiteral("OSTRAK.FNL")), functions);
        frame = std::make_unique<CMainFrame>(env->app());
        frame->OnFileNew();
        return *frame;
    }

    // Shows the frame and waits until it is the active window.
    bool showActive()
    {
        frame->show();
        frame->activateWindow();
        return QTest::qWaitForWindowActive(frame.get());
    }

    // Closes without the question about unsaved changes.
    void close()
    {
        if (frame && frame->document())
            frame->document()->setModified(false);
        frame.reset();
        env.reset();
    }

    CMainFrame *operator->() const { return frame.get(); }

    std::unique_ptr<CTestEnvironment> env;
    std::unique_ptr<CMainFrame> frame;
};
