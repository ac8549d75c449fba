# Runs the cross-built Windows test programs under Wine, in a prefix private to this
# build tree so that nothing outside it (~/.wine above all) is created or changed.
# A 32-bit build gets a 32-bit prefix of its own: its programs run on the plain 32-bit
# loader, without the 64-bit one's WoW64 layer.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(ORVEL_WINEARCH win32)
    set(_wine_names wine)
    set(_wineserver_names wineserver32 wineserver)
else()
    set(ORVEL_WINEARCH win64)
    set(_wine_names wine64)
    set(_wineserver_names wineserver64 wineserver)
endif()
find_program(ORVEL_WINE NAMES ${_wine_names} PATHS /usr/lib/wine NO_DEFAULT_PATH NO_CACHE)
find_program(ORVEL_WINESERVER NAMES ${_wineserver_names} PATHS /usr/lib/wine NO_DEFAULT_PATH
             NO_CACHE)
if(NOT ORVEL_WINE OR NOT ORVEL_WINESERVER)
    message(FATAL_ERROR "Wine for ${ORVEL_WINEARCH} not found: run scripts/install-deps.sh, "
                        "or configure with -DORVEL_BUILD_TESTS=OFF")
endif()

set(ORVEL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
