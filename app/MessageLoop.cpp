#include "app/MessageLoop.h"

bool MessageLoop::RunIdleHandlers(int idleCount) {
    bool wantsMore = false;
    for (IdleHandler* handler : idleHandlers_) wantsMore = handler->OnIdle(idleCount) || wantsMore;
    return wantsMore;
}

bool MessageLoop::IsIdleMessage(const MSG& message) {
    switch (message.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case 0x0118:  // the system timer that blinks the caret
        return false;
    default:
        return true;
    }
}

void MessageLoop::Process(MSG& message) {
    for (auto it = filters_.rbegin(); it != filters_.rend(); ++it)
        if ((*it)->PreTranslateMessage(message)) return;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
}

int MessageLoop::Run() {
    bool idleArmed = true;
    int idleCount = 0;
    for (;;) {
        while (idleArmed && !::PeekMessageA(&message_, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!RunIdleHandlers(idleCount++)) idleArmed = false;
        }
        BOOL got = ::GetMessageA(&message_, nullptr, 0, 0);
        if (got == -1) continue;
        if (got == 0) return static_cast<int>(message_.wParam);
        Process(message_);
        if (IsIdleMessage(message_)) {
            idleArmed = true;
            idleCount = 0;
        }
    }
}
