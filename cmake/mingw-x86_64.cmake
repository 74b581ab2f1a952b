# Cross-builds the Windows programs for x86-64 and runs them under 64-bit
# Wine. The shipped programs are the 32-bit ones (mingw-i686.cmake); this
# build exists so that the Windows tests can run on machines whose kernel
# executes no 32-bit code, where 32-bit Wine cannot start.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
