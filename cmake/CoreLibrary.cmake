# pelmor_core_library(name SOURCES ... [LINKS ...]): a library from one source list in each build flavour.
# Natively `name` carries the sanitizers (and, under clang, libFuzzer's coverage marks) for tests and
# fuzz targets, and `name_opt` is the same sources without them for benchmarks and tools, built only
# when something links it; `name_opt` links the _opt flavour of each linked library that has one. The
# windows tree has one flavour, which both names reach.
function(pelmor_core_library name)
  cmake_parse_arguments(L "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_link_libraries(${name} PUBLIC ${L_LINKS})
  if(PELMOR_WIN32)
    add_library(${name}_opt ALIAS ${name})
    return()
  endif()
  target_compile_options(${name} PRIVATE ${PELMOR_SANITIZE})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
  add_library(${name}_opt STATIC EXCLUDE_FROM_ALL ${L_SOURCES})
  foreach(lib IN LISTS L_LINKS)
    if(lib MATCHES "^[A-Za-z0-9_]+$")
      set(lib "$<IF:$<TARGET_EXISTS:${lib}_opt>,${lib}_opt,${lib}>")
    endif()
    target_link_libraries(${name}_opt PUBLIC ${lib})
  endforeach()
endfunction()
