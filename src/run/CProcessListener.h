#pragma once

// Told by a process's waiter thread, on that thread, that the child has ended.
class CProcessListener
{
public:
    virtual void OnProcessCompleted() = 0;
    virtual ~CProcessListener() = default;
};
