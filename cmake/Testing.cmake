# GoogleTest from Debian's sources, built with the project's own compiler and
# flags, so the native and the cross build test the same way.
if(BUILD_TESTING)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# Product code: no exceptions anywhere.
function(pukavro_product target)
    target_compile_options(${target} PRIVATE -fno-exceptions)
endfunction()

# Under Wine every test shares one prefix, server and display, which the
# fixture "wine" brings up and takes down; they take turns on them.
function(pukavro_wine_test name)
    if(WIN32)
        set_tests_properties(${name} PROPERTIES
            FIXTURES_REQUIRED wine RESOURCE_LOCK wine)
    endif()
endfunction()

# One CTest test per GoogleTest program; gtest prints every case it runs.
function(pukavro_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    pukavro_wine_test(${name})
endfunction()
