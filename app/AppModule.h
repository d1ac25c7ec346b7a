#pragma once
// The application module: the resource instance, the user-interface thread and the table
// of message loops by thread, guarded by a critical section.
#include "win/Win32.h"
#include <map>

class MessageLoop;

class AppModule {
public:
    static AppModule& Instance();

    // One per process: the critical section and the table may not be duplicated or moved.
    AppModule(const AppModule&) = delete;
    AppModule& operator=(const AppModule&) = delete;

    bool Init(HINSTANCE instance);
    void Term();

    HINSTANCE ResourceInstance() const noexcept { return instance_; }

    bool AddMessageLoop(MessageLoop* loop);
    bool RemoveMessageLoop();
    MessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId());

private:
    AppModule() = default;
    class Lock;

    HINSTANCE instance_ = nullptr;
    bool initialised_ = false;
    CRITICAL_SECTION lock_{};
    std::map<DWORD, MessageLoop*>* loops_ = nullptr;
};
