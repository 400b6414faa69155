# Cross toolchain for the Windows programs: mingw-w64 with the posix thread model (std::mutex for
# GoogleTest) and a fully static runtime, so no MinGW DLL ships. x86-64 by default; the one place
# that names the architecture (-DPELMOR_WIN_ARCH=i686 brings back a 32-bit build for machines that
# can still run one).
set(PELMOR_WIN_ARCH x86_64 CACHE STRING "Windows target architecture: x86_64 or i686")
set_property(CACHE PELMOR_WIN_ARCH PROPERTY STRINGS x86_64 i686)
if(NOT PELMOR_WIN_ARCH MATCHES "^(x86_64|i686)$")
  message(FATAL_ERROR "PELMOR_WIN_ARCH must be x86_64 or i686, not ${PELMOR_WIN_ARCH}")
endif()
set(PELMOR_MINGW_TRIPLE ${PELMOR_WIN_ARCH}-w64-mingw32)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${PELMOR_WIN_ARCH})
set(CMAKE_C_COMPILER ${PELMOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELMOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PELMOR_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PELMOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-test)
