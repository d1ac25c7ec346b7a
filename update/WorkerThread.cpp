#include "update/WorkerThread.h"

bool WorkerThread::Start(LPTHREAD_START_ROUTINE procedure, void* argument, int priority) {
    if (thread_) {
        // A thread cannot wait for itself; starting a second one from it would orphan it.
        if (GetCurrentThreadId() == threadId_) return false;
        Join();
    }
    // Suspended, so that the priority is in force before the first instruction runs.
    DWORD id = 0;
    UniqueKernelHandle thread(CreateThread(nullptr, 0, procedure, argument, CREATE_SUSPENDED, &id));
    if (!thread) return false;
    if (priority != 0) SetThreadPriority(thread.Get(), priority);
    if (ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
        TerminateThread(thread.Get(), 1);  // never ran: nothing to wait for
        return false;
    }
    thread_ = std::move(thread);
    threadId_ = id;
    return true;
}

void WorkerThread::Join() {
    if (!thread_) return;
    if (GetCurrentThreadId() == threadId_) return;
    WaitForSingleObject(thread_.Get(), INFINITE);
    thread_.Reset();
    threadId_ = 0;
}
