# cmake/mingw-common.cmake: what both mingw toolchains share; included with BREVOLT_TRIPLET set.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${BREVOLT_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BREVOLT_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BREVOLT_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${BREVOLT_TRIPLET})

# libcrypto is cross-built by scripts/setup from Debian's openssl source; it is not a package.
set(BREVOLT_OPENSSL_DIR /var/cache/brevolt/openssl-${BREVOLT_TRIPLET})
list(APPEND CMAKE_FIND_ROOT_PATH ${BREVOLT_OPENSSL_DIR})
set(OPENSSL_ROOT_DIR ${BREVOLT_OPENSSL_DIR})
set(OPENSSL_USE_STATIC_LIBS TRUE)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The binaries import only system DLLs: the C and C++ runtimes and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ ${BREVOLT_DLL_LINK_FLAGS}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ ${BREVOLT_DLL_LINK_FLAGS}")
