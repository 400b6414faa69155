# The skin frame control: its platform-free geometry in both trees, the control itself in the windows tree.
set(PELMOR_SHELL_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/SkinGeometry.cpp)
if(PELMOR_WIN32)
  add_library(pelmor_shell_core STATIC ${PELMOR_SHELL_CORE_SOURCES})
else()
  pelmor_core_library(pelmor_shell_core ${PELMOR_SHELL_CORE_SOURCES})
endif()
target_include_directories(pelmor_shell_core PUBLIC ${CMAKE_SOURCE_DIR}/shell)
target_link_libraries(pelmor_shell_core PUBLIC pelmor_rt_core)

if(PELMOR_WIN32)
  add_library(pelmor_skin STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ucSkin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SkinHitArea.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SkinBackBuffer.cpp)
  target_include_directories(pelmor_skin PUBLIC ${CMAKE_SOURCE_DIR}/shell ${CMAKE_SOURCE_DIR}/resources)
  target_link_libraries(pelmor_skin PUBLIC pelmor_shell_core pelmor_rt pelmor_drawing pelmor_msghook comctl32 user32
                                           gdi32)
endif()
