#pragma once
// One thread owned by an object: started suspended so its priority can be set first,
// joined (waited for without limit) when the owner is done with it or destroyed.
#include "win/UniqueHandle.h"
#include "win/Win32.h"

class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread() { Join(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Creates the thread suspended, sets `priority` unless it is 0 (normal), resumes it.
    // A thread started before is joined first. Fails when called on this object's own
    // thread while it runs, or when the thread cannot be created or resumed.
    bool Start(LPTHREAD_START_ROUTINE procedure, void* argument, int priority);
    // Waits for the thread to end and closes its handle. Does nothing without a thread,
    // and does not wait when called from the thread itself (that would never return).
    void Join();

    bool HasThread() const noexcept { return thread_.IsValid(); }
    DWORD ThreadId() const noexcept { return threadId_; }

private:
    UniqueKernelHandle thread_;
    DWORD threadId_ = 0;
};
