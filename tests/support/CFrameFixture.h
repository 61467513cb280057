#pragma once

#include "CTestEnvironment.h"

#include "app/CMainFrame.h"

#include <QByteArray>

#include <memory>

// A main frame with a new document on a throw-away program directory that
// holds `functions` as OSTRAK.FNL (no file at all when `functions` is null).
inline CMainFrame &openFrame(std::unique_ptr<CTestEnvironment> &env, std::unique_ptr<CMainFrame> &frame,
                             const QByteArray &functions = QByteArrayLiteral("abs,Absolute,abs($x);\n"))
{
    frame.reset();
    env = std::make_unique<CTestEnvironment>();
    if (!functions.isNull())
        CTestEnvironment::writeFile(env->path(QStringLiteral("OSTRAK.FNL")), functions);
    frame = std::make_unique<CMainFrame>(env->app());
    frame->OnFileNew();
    return *frame;
}
