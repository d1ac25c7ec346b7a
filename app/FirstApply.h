#pragma once
// The first apply of a session, on a worker thread of its own, so that the window (or the
// tray icon) is there before some thousands of registry writes are over. The worker works
// on copies of the settings and the selection (which shares the list, as read) and touches
// no window; the one thread that owns the originals waits for it (Finish) before it runs
// any other apply, so the two never write at the same time.
#include "blocklist/SelectionModel.h"
#include "engine/BlockingEngine.h"
#include "engine/PolicyLayers.h"
#include "settings/Settings.h"
#include "win/UniqueHandle.h"

#include <vector>

class FirstApply {
public:
    struct Result {
        Settings settings;  // as the apply left them (the scripting and Flash choices)
        PolicyReport report;
        PolicyVerdicts status;
    };

    FirstApply() = default;
    ~FirstApply();  // waits for a worker still running
    FirstApply(const FirstApply&) = delete;
    FirstApply& operator=(const FirstApply&) = delete;

    // Puts `selection` in force, or withdraws it when `settings` say switched off, on a
    // worker; posts `done` to `notify` when over. False (nothing started) when no thread
    // can be made: the caller then applies itself.
    bool Start(const Settings& settings, const SelectionModel& selection, HWND notify, UINT done);
    bool Running() const noexcept { return thread_.IsValid(); }
    // Waits for the worker and hands over what it did; false when none was running.
    bool Finish(Result& result);

private:
    static DWORD WINAPI Work(void* self);

    Settings settings_;
    SelectionModel selection_;
    Result result_;
    HWND notify_ = nullptr;
    UINT done_ = 0;
    UniqueKernelHandle thread_;
};
