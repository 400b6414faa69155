# ./run's configuration: both programs built against the local product site that
# tools/site-server.py serves, so a first run meets no network error and the updater ends quietly.
set(PELMOR_RUN_SITE_PORT 18090 CACHE STRING "127.0.0.1 port of the local site ./run serves")
set(PELMOR_RUN_DIR ${CMAKE_BINARY_DIR}/run-bin)

pelmor_viewer_program(Pelmor_run ${PELMOR_RUN_DIR} SITE_PORT ${PELMOR_RUN_SITE_PORT})

add_executable(update_run WIN32 ${CMAKE_SOURCE_DIR}/updater/main.cpp $<TARGET_OBJECTS:pelmor_resources_updater>)
target_link_options(update_run PRIVATE -municode)
target_link_libraries(update_run PRIVATE pelmor_updater_forms)
pelmor_use_test_site(update_run ${PELMOR_RUN_SITE_PORT})
if(PELMOR_DEV_PUBLIC_KEY)
  target_compile_definitions(update_run PRIVATE "PELMOR_UPDATE_PUBLIC_KEY=\"${PELMOR_DEV_PUBLIC_KEY}\"")
endif()
set_target_properties(update_run PROPERTIES OUTPUT_NAME update RUNTIME_OUTPUT_DIRECTORY ${PELMOR_RUN_DIR})

add_custom_command(OUTPUT ${PELMOR_RUN_DIR}/zlib1.dll
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${PELMOR_RUN_DIR}
                   COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PELMOR_ZLIB_DLL} ${PELMOR_RUN_DIR}/zlib1.dll
                   DEPENDS ${PELMOR_ZLIB_DLL})
add_custom_target(run_programs ALL DEPENDS Pelmor_run update_run ${PELMOR_RUN_DIR}/zlib1.dll)
