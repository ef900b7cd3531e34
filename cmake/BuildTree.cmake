# Configures a build tree where it has not been configured yet, then builds it. Run by the build of
# the x86_64 tree for the trees its tests need: the i686 release and the host's own tests.
#   cmake -DSOURCE_DIR=DIR -DBINARY_DIR=DIR [-DTOOLCHAIN_FILE=FILE] -P BuildTree.cmake
if(NOT EXISTS "${BINARY_DIR}/CMakeCache.txt")
  set(toolchain)
  if(TOOLCHAIN_FILE)
    set(toolchain "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE}")
  endif()
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BINARY_DIR}" -G Ninja ${toolchain}
            -DCMAKE_BUILD_TYPE=Release -DPATCH_BUILD_TESTS=ON
    OUTPUT_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "Configuring ${BINARY_DIR} failed")
  endif()
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BINARY_DIR}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Building ${BINARY_DIR} failed")
endif()
