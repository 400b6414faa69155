# Windows build: static runtime, wide entry points. x86-64 has SSE2 throughout; an i686 build asks for it.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-finput-charset=UTF-8>)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  add_compile_options(-msse2 -mfpmath=sse)
endif()
add_link_options(-static -static-libgcc -static-libstdc++)
set(PELMOR_BIN_DIR ${CMAKE_BINARY_DIR}/bin)
set(PELMOR_TEST_BIN_DIR ${CMAKE_BINARY_DIR}/tests-bin)

# GoogleTest from the sources Debian's googletest package installs, built with this toolchain.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(PELMOR_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources built with the cross toolchain")
if(EXISTS ${PELMOR_GTEST_SOURCE}/CMakeLists.txt)
  add_subdirectory(${PELMOR_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main gmock gmock_main)
    target_compile_options(${t} PRIVATE -Wno-error)
  endforeach()
  set(PELMOR_GTEST_LIBS gmock gtest)
else()
  # A native Windows tool chain (MSYS2) brings its own GoogleTest.
  find_package(GTest REQUIRED)
  set(PELMOR_GTEST_LIBS GTest::gmock GTest::gtest)
endif()

# zlib1.dll ships beside the programs; it is loaded from there at run time and never linked.
set(PELMOR_ZLIB_DLL /usr/${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32/lib/zlib1.dll CACHE FILEPATH "zlib1.dll shipped beside the programs")
add_custom_command(OUTPUT ${PELMOR_BIN_DIR}/zlib1.dll
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${PELMOR_BIN_DIR}
                   COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PELMOR_ZLIB_DLL} ${PELMOR_BIN_DIR}/zlib1.dll
                   DEPENDS ${PELMOR_ZLIB_DLL})
add_custom_target(zlib1_dll ALL DEPENDS ${PELMOR_BIN_DIR}/zlib1.dll)
# A copy beside a tool or test program that loads zlib1.dll, so it finds the shipped one.
function(pelmor_zlib_beside target)
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PELMOR_ZLIB_DLL} $<TARGET_FILE_DIR:${target}>/zlib1.dll)
endfunction()

function(pelmor_program target output_name)
  add_executable(${target} WIN32 ${ARGN})
  target_link_options(${target} PRIVATE -municode)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME "${output_name}" RUNTIME_OUTPUT_DIRECTORY ${PELMOR_BIN_DIR})
  add_dependencies(${target} zlib1_dll)
endfunction()

# Every test that starts a Windows program needs the Wine session: a CTest run that finds none starts one
# and ends it afterwards, so a single test or label runs as is; a session started beforehand (./test) is
# left alone.
add_test(NAME wine_session_start COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-session ctest-start)
add_test(NAME wine_session_stop COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-session ctest-stop)
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine_session LABELS wine TIMEOUT 300)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine_session LABELS wine TIMEOUT 60)

# Win32 tests run under Wine through the emulator wrapper, one CTest test per program: each Wine
# process start costs a few tenths of a second, too much to pay for every case. Programs that drive
# the mouse, keyboard or focus share the one display and are marked SERIAL.
function(pelmor_win32_test name)
  cmake_parse_arguments(T "SERIAL" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  # One translation unit per test program: the Windows and GoogleTest headers are read once instead of
  # once per file, which halves the tree's build. The same platform-free test files build one by one natively.
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PELMOR_TEST_BIN_DIR} UNITY_BUILD ON
                                           UNITY_BUILD_BATCH_SIZE 0)
  # A fixture in a file's anonymous namespace is not a header's type, though the unit includes the file.
  target_compile_options(${name} PRIVATE -Wno-subobject-linkage)
  target_link_libraries(${name} PRIVATE ${T_LIBS} pelmor_test_support)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_LABEL)
    set(T_LABEL wine)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 ENVIRONMENT PELMOR_TEST_TIMEOUT=240 LABELS ${T_LABEL}
                                           FIXTURES_REQUIRED wine_session)
  if(T_SERIAL)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE RESOURCE_LOCK display)
  endif()
endfunction()
