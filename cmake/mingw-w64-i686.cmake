# Cross-compiling for 32-bit Windows with MinGW-w64; its programs run under WoW64 in the
# tests' 64-bit Wine prefix.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(toolchain_prefix i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
