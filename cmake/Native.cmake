# Host build of the platform-free core, its sanitized unit tests, fuzz targets and benchmarks.
find_package(GTest REQUIRED)
set(PELMOR_SANITIZE "-fsanitize=address,undefined" "-fno-sanitize-recover=all" "-fno-omit-frame-pointer")
function(pelmor_native_test name)
  add_executable(${name} ${ARGN})
  target_compile_options(${name} PRIVATE ${PELMOR_SANITIZE})
  target_link_options(${name} PRIVATE ${PELMOR_SANITIZE})
  target_link_libraries(${name} PRIVATE GTest::gtest_main)
  # Header-only helpers of tests/support serve both trees.
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS unit)
endfunction()
# Platform-free libraries get the sanitizers too, so tests catch faults inside them.
function(pelmor_core_library name)
  add_library(${name} STATIC ${ARGN})
  target_compile_options(${name} PRIVATE ${PELMOR_SANITIZE})
  # Under clang the libraries carry libFuzzer's coverage marks, so fuzz targets see inside them.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()
