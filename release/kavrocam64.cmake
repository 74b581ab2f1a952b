# The 64-bit half of the camera's filter, for the 32-bit build's ZIP: the
# same sources configured again in a build folder of their own with the
# x86-64 toolchain, and only the DLL built there. Its path, for the ZIP and
# its checks: KAVROCAM64_DLL.
include(ExternalProject)
set(build64 ${CMAKE_CURRENT_BINARY_DIR}/kavrocam64)
set(KAVROCAM64_DLL ${build64}/kavrocam64.dll)
set(KAVROCAM64_DLL ${KAVROCAM64_DLL} PARENT_SCOPE)
if(CMAKE_GENERATOR MATCHES "Makefiles")
    # The outer make's jobserver, so that -j counts the jobs of both builds.
    set(build_command $(MAKE) kavrocam_dll)
else()
    set(build_command ${CMAKE_COMMAND} --build . --target kavrocam_dll)
endif()
ExternalProject_Add(kavrocam64
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${build64}
    PREFIX ${CMAKE_CURRENT_BINARY_DIR}/kavrocam64-steps
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-x86_64.cmake
        -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
        -DBUILD_TESTING=OFF -DPUKAVRO_BENCHMARKS=OFF
    BUILD_COMMAND ${build_command}
    INSTALL_COMMAND ""
    # Its sources are this tree's: let its own make decide what changed.
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${KAVROCAM64_DLL})
