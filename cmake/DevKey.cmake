# Development key pairs for update lists, made once per build tree and never committed: ./run's local
# site signs its list with the first and the run build of the updater checks against it, as does a test
# build. The second, protected by a passphrase that is no secret, stands for the key a release rotates
# to: the tests sign one list with both. build/win/bin keeps the shipped setting PELMOR_UPDATE_PUBLIC_KEY.
find_program(PELMOR_PYTHON3 python3)
set(PELMOR_DEV_KEY_PASSPHRASE_ENV PELMOR_DEV_KEY_PASSPHRASE)
set(PELMOR_DEV_KEY_PASSPHRASE "development key, no secret")

# pelmor_dev_key(NAME VAR [PROTECTED]): ${VAR} the private key file, ${VAR}_PUBLIC its public key ("" when
# none could be made).
function(pelmor_dev_key name var)
  set(private ${CMAKE_BINARY_DIR}/devkey/${name}.pem)
  set(public ${CMAKE_BINARY_DIR}/devkey/${name}.pub)
  set(protect)
  if(ARGN STREQUAL "PROTECTED")
    set(protect ${CMAKE_COMMAND} -E env ${PELMOR_DEV_KEY_PASSPHRASE_ENV}=${PELMOR_DEV_KEY_PASSPHRASE})
    set(protect_option --passphrase-env ${PELMOR_DEV_KEY_PASSPHRASE_ENV})
  endif()
  if(PELMOR_PYTHON3 AND NOT EXISTS ${public})
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/devkey)
    execute_process(COMMAND ${protect} ${PELMOR_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/update_list.py keygen
                            --private ${private} --public ${public} ${protect_option}
                    RESULT_VARIABLE keygen OUTPUT_QUIET ERROR_QUIET)
    if(NOT keygen EQUAL 0)
      file(REMOVE ${private} ${public})
    endif()
  endif()
  set(key "")
  if(EXISTS ${public})
    file(STRINGS ${public} key LIMIT_COUNT 1)
  endif()
  set(${var} ${private} PARENT_SCOPE)
  set(${var}_PUBLIC "${key}" PARENT_SCOPE)
endfunction()

pelmor_dev_key(update-key PELMOR_DEV_KEY)
pelmor_dev_key(update-key-next PELMOR_DEV_NEXT_KEY PROTECTED)
set(PELMOR_DEV_PUBLIC_KEY "${PELMOR_DEV_KEY_PUBLIC}")
if(NOT PELMOR_DEV_PUBLIC_KEY OR NOT PELMOR_DEV_NEXT_KEY_PUBLIC)
  message(STATUS "No development keys for update lists (python3-cryptography missing?): ./run's list stays "
                 "unsigned and the signed-list program tests are skipped")
endif()
