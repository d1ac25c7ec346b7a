#include "app/MessageLoop.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINT kProbe = WM_APP + 1;

struct Recorder : MessageFilter, IdleHandler {
    std::string name;
    std::vector<std::string>* events;
    bool consume = false;
    int idleCallsWanted = 0;  // further idle calls to ask for
    std::function<void(int)> onIdle;

    Recorder(std::string n, std::vector<std::string>* e) : name(std::move(n)), events(e) {}

    bool PreTranslateMessage(MSG& message) override {
        if (message.message == kProbe || message.message == WM_MOUSEMOVE || message.message == WM_TIMER)
            events->push_back(name + ":" + std::to_string(message.message));
        return consume && message.message == kProbe;
    }
    bool OnIdle(int idleCount) override {
        events->push_back("idle" + std::to_string(idleCount));
        if (onIdle) onIdle(idleCount);
        return idleCallsWanted-- > 0;
    }
};

TEST(MessageLoop, FiltersAreAskedNewestFirstAndTheFirstConsumerEndsTheOffer) {
    std::vector<std::string> events;
    MessageLoop loop;
    Recorder first("first", &events), second("second", &events), third("third", &events);
    second.consume = true;
    loop.AddMessageFilter(&first);
    loop.AddMessageFilter(&second);
    loop.AddMessageFilter(&third);

    MSG message{};
    message.message = kProbe;
    loop.Process(message);
    EXPECT_EQ((std::vector<std::string>{"third:" + std::to_string(kProbe), "second:" + std::to_string(kProbe)}),
              events);
}

TEST(MessageLoop, MouseMovesDoNotReArmIdleButOtherMessagesDo) {
    std::vector<std::string> events;
    MessageLoop loop;
    Recorder recorder("seen", &events);
    loop.AddMessageFilter(&recorder);
    loop.AddIdleHandler(&recorder);
    int idlePhases = 0;
    recorder.onIdle = [&](int) {
        switch (++idlePhases) {
        case 1:
            // A mouse move alone must not bring idle processing back; the timer must.
            ::PostThreadMessageA(::GetCurrentThreadId(), WM_MOUSEMOVE, 0, 0);
            ::SetTimer(nullptr, 0, 50, nullptr);
            break;
        default:
            ::PostQuitMessage(7);
            break;
        }
    };
    EXPECT_EQ(7, loop.Run());
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ("idle0", events[0]);
    EXPECT_EQ("seen:" + std::to_string(WM_MOUSEMOVE), events[1]);
    EXPECT_EQ("seen:" + std::to_string(WM_TIMER), events[2]);
    EXPECT_EQ("idle0", events[3]);
}

TEST(MessageLoop, IdleCountGrowsWhileHandlersAskForMore) {
    std::vector<std::string> events;
    MessageLoop loop;
    Recorder recorder("seen", &events);
    recorder.idleCallsWanted = 2;
    recorder.onIdle = [&](int count) {
        if (count == 2) ::PostQuitMessage(57665);
    };
    loop.AddIdleHandler(&recorder);
    EXPECT_EQ(57665, loop.Run());
    EXPECT_EQ((std::vector<std::string>{"idle0", "idle1", "idle2"}), events);
}

}  // namespace
