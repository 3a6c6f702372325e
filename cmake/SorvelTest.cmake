# SPDX-License-Identifier: GPL-3.0-or-later
# sorvel_add_test(NAME SOURCES ... LIBS ...)
# One GoogleTest executable per layer, each case registered with CTest.
function(sorvel_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}"
    DISCOVERY_TIMEOUT 60)
endfunction()
