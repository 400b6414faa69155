# The web-browser control hosted in place, for the viewer's windows.
if(PELMOR_WIN32)
  add_library(pelmor_webbrowser STATIC
    ${CMAKE_SOURCE_DIR}/runtime/WebBrowser.cpp
    ${CMAKE_SOURCE_DIR}/runtime/OleSite.cpp
  )
  target_include_directories(pelmor_webbrowser PUBLIC ${CMAKE_SOURCE_DIR}/runtime)
  target_link_libraries(pelmor_webbrowser PUBLIC pelmor_rt ole32 oleaut32 uuid)
endif()
