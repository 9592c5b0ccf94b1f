cmake_minimum_required(VERSION 3.25)
# cmake -DROOT=<source dir> -DLISTED=<build dir>/listed_sources.txt -P CheckSourcesListed.cmake
#
# Fails when a .cpp file under src/ or tests/ is in no target's source list (see
# ListedSources.cmake). Adding a file means naming it in its folder's CMakeLists.txt.
file(STRINGS ${LISTED} listed)
file(GLOB_RECURSE present ${ROOT}/src/*.cpp ${ROOT}/tests/*.cpp)
# The Windows build's own files (win32/, windows/, and tests/wine/, run under Wine) are listed
# by the Windows build (scripts/test-windows).
list(FILTER present EXCLUDE REGEX "/(win32|windows|wine)/|Win32\\.cpp$")
set(missing)
foreach(file ${present})
  if(NOT file IN_LIST listed)
    file(RELATIVE_PATH name ${ROOT} ${file})
    list(APPEND missing ${name})
  endif()
endforeach()
if(missing)
  list(JOIN missing "\n  " text)
  message(FATAL_ERROR "These sources are in no target's list; name each in its folder's CMakeLists.txt:\n  ${text}")
endif()
list(LENGTH present count)
message(STATUS "All ${count} .cpp files under src/ and tests/ are built.")
