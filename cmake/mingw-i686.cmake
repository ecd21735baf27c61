# cmake/mingw-i686.cmake: the win32 toolchain, what 32-bit Outlook loads; built and linked only.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BREVOLT_TRIPLET i686-w64-mingw32)
# stdcall exports keep their plain names (Init, not Init@24), as hosts look them up by name.
set(BREVOLT_DLL_LINK_FLAGS "-Wl,--kill-at")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
