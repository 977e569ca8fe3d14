# GoogleTest from the distribution: the installed libraries for native builds,
# the sources in /usr/src/googletest for the MinGW cross build.
if(CMAKE_CROSSCOMPILING)
  set(VOXRA_GTEST_SRC /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VOXRA_GTEST_SRC} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# voxra_add_test(NAME [GL] sources... LIBS libs...)
# Builds one GoogleTest binary and registers each of its tests with CTest.
# Discovery runs at test time, so cross builds need Wine only under ctest.
# GL marks a binary that creates GL contexts.
function(voxra_add_test name)
  cmake_parse_arguments(ARG "GL" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main voxra_flags)
  set(labels ${ARG_LABELS})
  if(NOT labels)
    set(labels unit)
  endif()
  set(env)
  if(VOXRA_SANITIZE AND ARG_GL)
    # Mesa's drivers keep allocations for the life of the process and are
    # built without frame pointers, so their leaks cannot be attributed or
    # suppressed; binaries that create a GL context skip the leak check.
    # Address and undefined-behaviour checks stay on.
    set(env ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES LABELS "${labels}" TIMEOUT 300 ${env})
endfunction()
