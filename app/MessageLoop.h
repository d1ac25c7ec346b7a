#pragma once
// The user-interface thread's message pump, with message filters (asked newest first) and
// idle handlers (asked while the queue is empty).
#include "win/Win32.h"
#include <vector>

class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    // Returns true when the message was consumed and must not be dispatched.
    virtual bool PreTranslateMessage(MSG& message) = 0;
};

class IdleHandler {
public:
    virtual ~IdleHandler() = default;
    // Returns true to ask for more idle time.
    virtual bool OnIdle(int idleCount) = 0;
};

class MessageLoop {
public:
    void AddMessageFilter(MessageFilter* filter) { filters_.push_back(filter); }
    void AddIdleHandler(IdleHandler* handler) { idleHandlers_.push_back(handler); }
    // Pumps until WM_QUIT and returns its wParam.
    int Run();

    // One step of the pump, exposed for tests: offers the message to the filters and, when
    // none consumes it, translates and dispatches it.
    void Process(MSG& message);
    // Whether a message re-arms idle processing: mouse moves, paints and the caret
    // timer come in streams and would otherwise keep the idle handlers busy.
    static bool IsIdleMessage(const MSG& message);

private:
    bool RunIdleHandlers(int idleCount);

    MSG message_{};
    std::vector<MessageFilter*> filters_;
    std::vector<IdleHandler*> idleHandlers_;
};
