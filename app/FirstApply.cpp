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
    // A small stack: the apply needs little, and a default one would add its size to the
    // program's memory.
    constexpr SIZE_T kStackBytes = 256 * 1024;
    thread_.Reset(::CreateThread(nullptr, kStackBytes, &FirstApply::Work, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    return thread_.IsValid();
}

bool FirstApply::Finish(Result& result) {
    if (!thread_) return false;
    ::WaitForSingleObject(thread_.Get(), INFINITE);
    thread_.Reset();
    result = std::move(result_);
    selection_ = SelectionModel();  // the copy's memory goes back at once
    return true;
}

DWORD WINAPI FirstApply::Work(void* parameter) {
    auto* self = static_cast<FirstApply*>(parameter);
    try {
        const bool blocking = !self->settings_.switchedOff;
        self->result_.report =
            EnforcePolicy(self->settings_, self->selection_, blocking ? PolicyMode::Blocking : PolicyMode::Withdrawn);
        self->result_.status =
            ReadPolicyVerdicts(self->settings_, self->selection_, blocking, self->result_.report);
    } catch (...) {
        // Out of memory: the next command reads what is in force afresh and applies again.
    }
    self->result_.settings = self->settings_;
    ::PostMessageA(self->notify_, self->done_, 0, 0);
    return 0;
}
