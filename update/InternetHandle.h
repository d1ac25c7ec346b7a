#pragma once
// The owner of a WinINet handle (session, connection or request), beside the other
// owners' traits but here, where WinINet is linked.
#include "win/UniqueHandle.h"
#include "win/Win32.h"
#include <wininet.h>

struct InternetHandleTraits {
    using Type = HINTERNET;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::InternetCloseHandle(h); }
};

using UniqueInternetHandle = UniqueHandle<InternetHandleTraits>;
