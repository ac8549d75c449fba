# Runs the cross-built Windows test programs under Wine, in a prefix private to this
# build tree so that nothing outside it (~/.wine above all) is created or changed.
find_program(ORVEL_WINE NAMES wine64 PATHS /usr/lib/wine NO_CACHE)
find_program(ORVEL_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine NO_CACHE)
if(NOT ORVEL_WINE OR NOT ORVEL_WINESERVER)
    message(FATAL_ERROR "wine64 not found: run scripts/install-deps.sh, "
                        "or configure with -DORVEL_BUILD_TESTS=OFF")
endif()

set(ORVEL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
