#include "win/ResourceInstance.h"

namespace {
HINSTANCE resourceInstance = nullptr;
}

HINSTANCE ResourceInstance() noexcept {
    return resourceInstance ? resourceInstance : ::GetModuleHandleA(nullptr);
}

void SetResourceInstance(HINSTANCE instance) noexcept { resourceInstance = instance; }
