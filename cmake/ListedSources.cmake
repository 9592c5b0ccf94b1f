# Writes listed_sources.txt in the build directory: the absolute path of every source file of
# every target in the project. The test tree.every_source_listed compares it with the .cpp
# files in src/ and tests/, so that a file left out of every list fails a fast test instead of
# silently not being built.

function(girth_collect_sources dir out)
  set(found)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    if(NOT sources)
      continue()
    endif()
    foreach(source ${sources})
      if(source MATCHES "^\\$<")  # generator expressions name no file of ours
        continue()
      endif()
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir} NORMALIZE OUTPUT_VARIABLE path)
      list(APPEND found ${path})
    endforeach()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir ${subdirs})
    girth_collect_sources(${subdir} sub_found)
    list(APPEND found ${sub_found})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

girth_collect_sources(${PROJECT_SOURCE_DIR} GIRTH_LISTED_SOURCES)
list(REMOVE_DUPLICATES GIRTH_LISTED_SOURCES)
list(SORT GIRTH_LISTED_SOURCES)
list(JOIN GIRTH_LISTED_SOURCES "\n" GIRTH_LISTED_TEXT)
file(WRITE ${CMAKE_BINARY_DIR}/listed_sources.txt "${GIRTH_LISTED_TEXT}\n")
