# Web addresses are build settings: the shipped defaults below, a test build points them at 127.0.0.1.
set(PELMOR_HOME_URL "http://www.pelmor.com/" CACHE STRING "Product web site home page (ends in /)")
set(PELMOR_DOMAIN "pelmor.com" CACHE STRING "Product web site domain, used to validate update lists")
set(PELMOR_DZH_HOST "http://www.dzh.com.cn" CACHE STRING "Host of the first quote provider's page")
set(PELMOR_TDX_HOST "http://www.tdx.com.cn" CACHE STRING "Host of the second quote provider's page")
set(PELMOR_HRZQ_HOST "http://www.hrsec.com.cn" CACHE STRING "Host of the broker's minute-quote page")
set(PELMOR_GLOBAL_HOST "http://finance.sina.com.cn" CACHE STRING "Host of the finance portal's index page")
set(PELMOR_UPDATE_PUBLIC_KEY "" CACHE STRING
    "Public keys that sign update lists (base64 of the P-256 point 04||X||Y, from tools/update_list.py; ';' between keys); empty: the updater runs no setup program")
option(PELMOR_RELEASE "A build to publish: refuses to configure without PELMOR_UPDATE_PUBLIC_KEY" OFF)
# 65 bytes in base64: 88 characters, the first of them "B" (0x04), one "=" of padding.
set(_keys 0)
foreach(_key IN LISTS PELMOR_UPDATE_PUBLIC_KEY)
  string(STRIP "${_key}" _key)
  string(LENGTH "${_key}" _key_length)
  if(_key STREQUAL "")
    continue()
  elseif(NOT _key_length EQUAL 88 OR NOT _key MATCHES "^B[A-Za-z0-9+/]+=$")
    message(FATAL_ERROR "PELMOR_UPDATE_PUBLIC_KEY: \"${_key}\" is not the base64 of an uncompressed P-256 point")
  endif()
  math(EXPR _keys "${_keys} + 1")
endforeach()
if(PELMOR_RELEASE AND _keys EQUAL 0)
  message(FATAL_ERROR "PELMOR_RELEASE needs PELMOR_UPDATE_PUBLIC_KEY: a release's updater must know the key "
                      "its update lists are signed with (README, \"Making a release\")")
endif()
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/pelmor_config.h.in ${CMAKE_BINARY_DIR}/generated/pelmor_config.h
               @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated ${CMAKE_SOURCE_DIR})

# Compile definitions that point every web address of a target at one local test site.
function(pelmor_use_test_site target port)
  set(site "http://127.0.0.1:${port}")
  target_compile_definitions(${target} PRIVATE
    "PELMOR_HOME_URL=L\"${site}/\"" "PELMOR_DOMAIN=L\"127.0.0.1\""
    "PELMOR_DZH_HOST=L\"${site}\"" "PELMOR_TDX_HOST=L\"${site}\""
    "PELMOR_HRZQ_HOST=L\"${site}\"" "PELMOR_GLOBAL_HOST=L\"${site}\"")
endfunction()
