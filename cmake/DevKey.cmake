# A development key pair for update lists, made once per build tree and never committed: ./run's local
# site signs its list with it and the run build of the updater checks against it, as does a test build.
# build/win/bin keeps the shipped setting PELMOR_UPDATE_PUBLIC_KEY.
set(PELMOR_DEV_KEY ${CMAKE_BINARY_DIR}/devkey/update-key.pem)
set(PELMOR_DEV_PUBLIC_KEY_FILE ${CMAKE_BINARY_DIR}/devkey/update-key.pub)
find_program(PELMOR_PYTHON3 python3)
if(PELMOR_PYTHON3 AND NOT EXISTS ${PELMOR_DEV_PUBLIC_KEY_FILE})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/devkey)
  execute_process(COMMAND ${PELMOR_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/update_list.py keygen
                          --private ${PELMOR_DEV_KEY} --public ${PELMOR_DEV_PUBLIC_KEY_FILE}
                  RESULT_VARIABLE _keygen OUTPUT_QUIET ERROR_VARIABLE _keygen_error)
  if(NOT _keygen EQUAL 0)
    file(REMOVE ${PELMOR_DEV_KEY} ${PELMOR_DEV_PUBLIC_KEY_FILE})
  endif()
endif()
set(PELMOR_DEV_PUBLIC_KEY "")
if(EXISTS ${PELMOR_DEV_PUBLIC_KEY_FILE})
  file(STRINGS ${PELMOR_DEV_PUBLIC_KEY_FILE} PELMOR_DEV_PUBLIC_KEY LIMIT_COUNT 1)
else()
  message(STATUS "No development key for update lists (python3-cryptography missing?): ./run's list stays "
                 "unsigned and the signed-list program tests are skipped")
endif()
