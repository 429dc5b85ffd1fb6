# SPDX-License-Identifier: GPL-2.0-or-later
# Makes the .deb as cpack does and runs lintian on it: any error or warning fails.
#   cmake -DBINARY_DIR=<build> -DLINTIAN=<lintian> -P check_package.cmake
set(out ${BINARY_DIR}/lintian-package)
file(REMOVE_RECURSE ${out})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${BINARY_DIR}/CPackConfig.cmake -B ${out}
  RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB deb ${out}/talvern_*.deb)
if(NOT status EQUAL 0 OR NOT deb)
  message(FATAL_ERROR "cpack made no package:\n${log}")
endif()
execute_process(COMMAND ${LINTIAN} --fail-on error,warning --display-info ${deb} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lintian found errors or warnings in ${deb}")
endif()
message(STATUS "lintian: no errors or warnings in ${deb}")
