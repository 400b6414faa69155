if(PELMOR_WIN32)
  pelmor_win32_test(ubutton_tests SERIAL SOURCES UButtonTest.cpp LIBS pelmor_ubutton pelmor_resources_viewer)
endif()
