# Helpers shared by the build files of every folder.

# pgwk_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2)
# One GoogleTest program per component; ctest sees every test case of it.
function(pgwk_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT PGWK_TESTS)
    return()
  endif()
  find_package(GTest REQUIRED)
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} pgwk_test_support GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "PGWK_CORPUS_DIR=${PGWK_CORPUS_DIR};PGWK_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# pgwk_add_fuzzer(NAME SOURCES a.cpp LIBS lib1)
# libFuzzer targets exist only in a clang build with PGWK_FUZZ=ON.
function(pgwk_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT PGWK_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY PGWK_FUZZERS ${name})
endfunction()
