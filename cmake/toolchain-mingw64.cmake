# Cross build for 64-bit Windows with the posix-thread MinGW-w64 g++ (std::thread and
# friends need it). Tests run under Wine through the emulator set in the root list file.
set(ORVEL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWCommon.cmake)
