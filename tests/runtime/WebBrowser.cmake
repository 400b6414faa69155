if(PELMOR_WIN32)
  pelmor_win32_test(webbrowser_tests SERIAL SOURCES WebBrowserTest.cpp LIBS pelmor_webbrowser)
endif()
