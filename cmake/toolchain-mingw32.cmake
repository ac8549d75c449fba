# Cross build for 32-bit Windows, the word size of the debugger hosts the module is
# registered with; its tests run under 32-bit Wine.
set(ORVEL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWCommon.cmake)
