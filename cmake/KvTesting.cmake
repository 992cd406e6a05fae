# Test wiring shared by both builds. GoogleTest is built from Debian's sources with the
# toolchain of the tree; Windows test programs run under Wine through CTest's emulator.
include(CTest)

if(BUILD_TESTING)
    if(CMAKE_CROSSCOMPILING AND WIN32)
        set(KV_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
        # Debian's wine command starts the 32-bit loader first; 64-bit programs get their own.
        if(CMAKE_SIZEOF_VOID_P EQUAL 8)
            find_program(KV_WINE wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
        else()
            set(KV_WINE wine)
        endif()
        configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                        GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
    endif()

    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    include(GoogleTest)
endif()

# kv_add_test(name SOURCES ... LIBS ... [LABELS ...]): one test program. Natively every test
# case is its own CTest test; under Wine a program is one CTest test, since starting Wine costs
# a second. LABELS go on every test of the program (tsan: run in the ThreadSanitizer tree,
# which builds no other test program; nosan: not run under the sanitizers, so not built there).
function(kv_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    if((KV_TSAN AND NOT "tsan" IN_LIST ARG_LABELS) OR (KV_SANITIZE AND "nosan" IN_LIST ARG_LABELS))
        add_executable(${name} EXCLUDE_FROM_ALL ${ARG_SOURCES})
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock_main)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock_main)
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND ${name})
        if(ARG_LABELS)
            set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
        endif()
    elseif(ARG_LABELS)
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${ARG_LABELS}")
    else()
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
    endif()
endfunction()
