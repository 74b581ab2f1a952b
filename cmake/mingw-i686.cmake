# Cross-builds the 32-bit Windows programs, as shipped, with MinGW-w64 and
# runs them under Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
