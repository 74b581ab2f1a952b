# Included by the two MinGW-w64 toolchain files once they have set
# MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR: compilers of the posix thread
# model (GoogleTest needs std::mutex; everything is linked statically, so no
# MinGW runtime DLL is ever needed at run time), the target's own libraries
# and headers, and Wine to run test programs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run through a wrapper that points Wine at the build tree's
# own prefix, display and time limit.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/lib/winerun-bounded.sh ${CMAKE_BINARY_DIR}/wine)
