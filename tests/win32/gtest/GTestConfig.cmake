# GoogleTest for the Windows build. Debian's libgtest-dev holds Linux
# libraries only, so the test framework is compiled from Debian's sources
# (package googletest, /usr/src/googletest) with the cross compiler, inside
# this build. find_package(GTest) finds this file through GTest_DIR, which the
# windows preset sets.
if(TARGET GTest::gtest_main)
  set(GTest_FOUND TRUE)
  return()
endif()

set(MALVORN_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources to build for Windows")
if(NOT EXISTS "${MALVORN_GTEST_SOURCE_DIR}/CMakeLists.txt")
  set(GTest_FOUND FALSE)
  set(GTest_NOT_FOUND_MESSAGE "no GoogleTest sources at ${MALVORN_GTEST_SOURCE_DIR} (apt-get install googletest)")
  return()
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)

# The project's warning flags (and -Werror) are meant for our code, not for
# the test framework's.
get_directory_property(_malvorn_saved_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory("${MALVORN_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/_googletest" EXCLUDE_FROM_ALL SYSTEM)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_malvorn_saved_options}")
unset(_malvorn_saved_options)

if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
endif()
if(NOT TARGET GTest::gtest_main)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
set(GTest_FOUND TRUE)
set(GTEST_FOUND TRUE)
