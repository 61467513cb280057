#pragma once

#include "run/CPipe.h"
#include "run/CProcess.h"
#include "run/CProcessListener.h"

#include <QByteArray>
#include <QStringList>

#include <atomic>

// A child and its three pipes, put together as a run command does. The test
// reads the output itself (pump, drain) or hands the pipes to a window.
struct CRunFixture : CProcessListener
{
    CRunFixture(const QString &program, const QStringList &arguments)
        : process(program, arguments)
    {
        for (CPipe *p : {&in, &out, &err}) {
            p->CreatePipeEnds();
            p->setPollCount(1);
        }
        process.AttachPipes(&in, &out, &err);
        process.m_pListener = this;
    }

    ~CRunFixture() override
    {
        process.Kill();
        process.JoinWaiter();
    }

    bool launch(const QByteArray &input = {}, bool closeInput = true)
    {
        if (!process.Start(0x2C))
            return false;
        process.Resume();
        in.Write(input);
        if (closeInput)
            in.CloseBoth();
        process.StartWaiter(100);
        return true;
    }

    QByteArray pump()
    {
        char buffer[65536];
        if (!out.AtEnd())
            outText.append(buffer, out.Read(buffer, int(sizeof buffer)));
        if (!err.AtEnd())
            errText.append(buffer, err.Read(buffer, int(sizeof buffer)));
        return outText;
    }

    void drain()
    {
        while (!out.AtEnd() || !err.AtEnd())
            pump();
    }

    void OnProcessCompleted() override { ++completions; }

    CPipe in, out, err;
    CProcess process;
    QByteArray outText, errText;
    std::atomic<int> completions{0};
};
