# Cross build for 32-bit Windows, the word size of most debuggee processes' hosts;
# built and linked only, so that i686 calling conventions and exports are checked.
set(ORVEL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWCommon.cmake)
