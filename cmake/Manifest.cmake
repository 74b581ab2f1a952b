# A Windows program's manifest, from the one template: the program's name,
# the project's version and the processor of this build (a 64-bit Windows
# refuses a 64-bit program whose manifest says x86). The .rc names it as
# "<program>.manifest"; windres finds it through the target's include path.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(MANIFEST_ARCHITECTURE amd64)
else()
    set(MANIFEST_ARCHITECTURE x86)
endif()

function(pukavro_manifest target program rc_source)
    set(MANIFEST_PROGRAM ${program})
    set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${program}.manifest)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/program.manifest.in ${manifest} @ONLY)
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
    # windres reads the manifest, but CMake's scan sees only #include lines.
    set_property(SOURCE ${rc_source} APPEND PROPERTY OBJECT_DEPENDS ${manifest})
endfunction()
