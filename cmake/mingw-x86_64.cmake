# cmake/mingw-x86_64.cmake: the win64 toolchain; its programs run under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BREVOLT_TRIPLET x86_64-w64-mingw32)
set(BREVOLT_DLL_LINK_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
