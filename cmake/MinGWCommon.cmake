# Shared part of the MinGW-w64 toolchain files; ORVEL_MINGW_TRIPLE names the target.
set(CMAKE_SYSTEM_NAME Windows)
if(ORVEL_MINGW_TRIPLE MATCHES "^x86_64")
    set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
    set(CMAKE_SYSTEM_PROCESSOR x86)
endif()

# The -posix variants explicitly: the unsuffixed names follow update-alternatives,
# which defaults to the win32-thread variant without std::thread.
set(CMAKE_C_COMPILER ${ORVEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVEL_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link libgcc, libstdc++ and winpthread in, so the .exe and .dll need nothing beside
# the system DLLs, neither under Wine nor in a debugger host's process.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
