# The program version is the project version (project() in the top CMakeLists.txt) and nothing else:
# the version resources, the installer's name and entries and the local site's list all take it from here.
# In the cache too, where ./run reads it for its local site's update list.
set(PELMOR_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR} CACHE INTERNAL "The program version, major.minor")

# Writes pelmor_version.h for major.minor into dir; a test build of another version includes its own.
function(pelmor_version_header dir major minor)
  set(PELMOR_HEADER_MAJOR ${major})
  set(PELMOR_HEADER_MINOR ${minor})
  configure_file(${CMAKE_SOURCE_DIR}/cmake/pelmor_version.h.in ${dir}/pelmor_version.h @ONLY)
endfunction()

pelmor_version_header(${CMAKE_BINARY_DIR}/generated ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR})
