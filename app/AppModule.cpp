#include "app/AppModule.h"

#include "win/ResourceInstance.h"

class AppModule::Lock {
public:
    explicit Lock(CRITICAL_SECTION& section) : section_(section) { ::EnterCriticalSection(&section_); }
    ~Lock() { ::LeaveCriticalSection(&section_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& section_;
};

AppModule& AppModule::Instance() {
    static AppModule module;
    return module;
}

bool AppModule::Init(HINSTANCE instance) {
    if (initialised_) return true;
    instance_ = instance;
    SetResourceInstance(instance);
    ::InitializeCriticalSection(&lock_);
    loops_ = new std::map<DWORD, MessageLoop*>();
    initialised_ = true;
    return true;
}

void AppModule::Term() {
    if (!initialised_) return;
    delete loops_;
    loops_ = nullptr;
    ::DeleteCriticalSection(&lock_);
    SetResourceInstance(nullptr);
    initialised_ = false;
}

bool AppModule::AddMessageLoop(MessageLoop* loop) {
    if (!initialised_) return false;
    Lock lock(lock_);
    return loops_->emplace(::GetCurrentThreadId(), loop).second;
}

bool AppModule::RemoveMessageLoop() {
    if (!initialised_) return false;
    Lock lock(lock_);
    return loops_->erase(::GetCurrentThreadId()) == 1;
}

MessageLoop* AppModule::GetMessageLoop(DWORD threadId) {
    if (!initialised_) return nullptr;
    Lock lock(lock_);
    auto it = loops_->find(threadId);
    return it == loops_->end() ? nullptr : it->second;
}
