#include "update/WorkerThread.h"

bool WorkerThread::Start(LPTHREAD_START_ROUTINE procedure, void* argument, int priority) {
    if (thread_ != nullptr) {
        // A thread cannot wait for itself; starting a second one from it would orphan it.
        if (GetCurrentThreadId() == threadId_) return false;
        Join();
    }
    // Suspended, so that the priority is in force before the first instruction runs.
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, procedure, argument, CREATE_SUSPENDED, &id);
    if (thread == nullptr) return false;
    thread_ = thread;
    threadId_ = id;
    if (priority != 0) SetThreadPriority(thread_, priority);
    if (ResumeThread(thread_) == static_cast<DWORD>(-1)) {
        // Never ran: nothing to wait for.
        TerminateThread(thread_, 1);
        CloseHandle(thread_);
        thread_ = nullptr;
        threadId_ = 0;
        return false;
    }
    return true;
}

void WorkerThread::Join() {
    if (thread_ == nullptr) return;
    if (GetCurrentThreadId() == threadId_) return;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
    threadId_ = 0;
}
