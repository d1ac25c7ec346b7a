#include "support/ThreadWindows.h"

namespace {

struct Search {
    const char* className;
    HWND found;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof(name));
    if (::lstrcmpiA(name, search->className) == 0 && ::IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND VisibleWindowOfThread(const char* className) {
    Search search{className, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), &Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
