#include "app/FirstApply.h"

FirstApply::~FirstApply() {
    if (thread_) ::WaitForSingleObject(thread_.Get(), INFINITE);
}

bool FirstApply::Start(const Settings& settings, const SelectionModel& selection, HWND notify, UINT done) {
    if (thread_) return false;
    settings_ = settings;
    selection_ = selection;
    notify_ = notify;
    done_ = done;
    thread_.Reset(::CreateThread(nullptr, 0, &FirstApply::Work, this, 0, nullptr));
    return thread_.IsValid();
}

bool FirstApply::Finish(Result& result) {
    if (!thread_) return false;
    ::WaitForSingleObject(thread_.Get(), INFINITE);
    thread_.Reset();
    result = std::move(result_);
    selection_.Clear();
    return true;
}

DWORD WINAPI FirstApply::Work(void* parameter) {
    auto* self = static_cast<FirstApply*>(parameter);
    try {
        const bool blocking = !self->settings_.switchedOff;
        self->result_.report =
            EnforcePolicy(self->settings_, self->selection_, blocking ? PolicyMode::Blocking : PolicyMode::Withdrawn);
        self->result_.status =
            ReadTargetStatus(self->settings_, self->selection_, blocking, self->result_.report);
    } catch (...) {
        // Out of memory: the next command reads what is in force afresh and applies again.
    }
    self->result_.settings = self->settings_;
    ::PostMessageA(self->notify_, self->done_, 0, 0);
    return 0;
}
