# orveldbg: the in-process COM server the debugger host loads. Its export list lives in
# src/module/orveldbg.def only; the ELF build derives a version script from it so both
# platforms show exactly the same entry points.
set(ORVEL_MODULE_ENTRY ${PROJECT_SOURCE_DIR}/src/module/ModuleEntry.cpp)
if(NOT EXISTS ${ORVEL_MODULE_ENTRY})
    message(STATUS "src/module: no entry points yet, orveldbg not built")
    return()
endif()

set(ORVEL_MODULE_DEF ${PROJECT_SOURCE_DIR}/src/module/orveldbg.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ORVEL_MODULE_DEF})

# Names listed under EXPORTS, one per line, keywords such as PRIVATE dropped.
file(STRINGS ${ORVEL_MODULE_DEF} _def_lines)
set(ORVEL_MODULE_EXPORTS)
set(_in_exports FALSE)
foreach(_line IN LISTS _def_lines)
    string(REGEX REPLACE ";.*$" "" _line "${_line}")
    string(STRIP "${_line}" _line)
    if(_line STREQUAL "")
        continue()
    elseif(_line MATCHES "^EXPORTS$")
        set(_in_exports TRUE)
    elseif(_in_exports AND _line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)")
        list(APPEND ORVEL_MODULE_EXPORTS ${CMAKE_MATCH_1})
    endif()
endforeach()
if(NOT ORVEL_MODULE_EXPORTS)
    message(FATAL_ERROR "${ORVEL_MODULE_DEF}: no EXPORTS found")
endif()

add_library(orveldbg SHARED ${ORVEL_MODULE_ENTRY})
target_link_libraries(orveldbg PRIVATE orvel_core)
set_target_properties(orveldbg PROPERTIES CXX_VISIBILITY_PRESET hidden
                                          VISIBILITY_INLINES_HIDDEN ON)

if(WIN32)
    # COM servers are loaded by file name: orveldbg.dll, not liborveldbg.dll.
    set_target_properties(orveldbg PROPERTIES PREFIX "" IMPORT_PREFIX "")
    target_sources(orveldbg PRIVATE ${ORVEL_MODULE_DEF})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        # The .def names are undecorated; ld maps each to its __stdcall _Name@N symbol and
        # would otherwise warn once per entry point.
        target_link_options(orveldbg PRIVATE -Wl,--enable-stdcall-fixup)
    endif()
    set(_exports_format pe)
    set(_exports_tool ${CMAKE_OBJDUMP})
else()
    set(_map ${CMAKE_CURRENT_BINARY_DIR}/orveldbg.map)
    list(JOIN ORVEL_MODULE_EXPORTS ";\n        " _globals)
    file(CONFIGURE OUTPUT ${_map} CONTENT "{\n    global:\n        ${_globals};\n    local: *;\n};\n")
    target_link_options(orveldbg PRIVATE -Wl,--version-script=${_map})
    set_property(TARGET orveldbg APPEND PROPERTY LINK_DEPENDS ${_map})
    set(_exports_format elf)
    set(_exports_tool ${CMAKE_NM})
endif()

# A stray export or a decorated name breaks loading by the host, so every link checks.
add_custom_command(TARGET orveldbg POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DBINARY=$<TARGET_FILE:orveldbg> -DFORMAT=${_exports_format}
            -DTOOL=${_exports_tool} "-DEXPECTED=${ORVEL_MODULE_EXPORTS}"
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckExports.cmake
    VERBATIM)

# A satellite with German (1031) messages for the Windows tests of the message search.
# Resource-only: it is loaded as a data file and has no code and no entry point. Its name
# is not the one the module looks for, so the module in the build tree never finds it;
# the tests copy it where they want it found.
if(WIN32 AND ORVEL_BUILD_TESTS)
    add_library(orvel_test_satellite SHARED ${PROJECT_SOURCE_DIR}/tests/module/satellite-1031.rc)
    set_target_properties(orvel_test_satellite PROPERTIES
        PREFIX "" OUTPUT_NAME orveldbg-test-satellite LINKER_LANGUAGE CXX)
    target_link_options(orvel_test_satellite PRIVATE -nostdlib -Wl,-e,0)
    # The tests find it beside the module; built whenever the module is.
    add_dependencies(orveldbg orvel_test_satellite)
endif()
