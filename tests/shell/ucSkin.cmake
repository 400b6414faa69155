# The skin frame: its geometry natively (and again in the windows build), the control under Wine.
if(NOT PELMOR_WIN32)
  pelmor_native_test(shell_core_tests ${CMAKE_CURRENT_LIST_DIR}/SkinGeometryTest.cpp)
  target_link_libraries(shell_core_tests PRIVATE pelmor_shell_core)
else()
  pelmor_win32_test(shell_core_win32_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/SkinGeometryTest.cpp
                    LIBS pelmor_shell_core)
  pelmor_win32_test(skin_win32_tests SERIAL
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ucSkinPropertiesTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ucSkinPaintTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ucSkinWindowTest.cpp
    LIBS pelmor_skin pelmor_resources_viewer)
endif()
