# The platform layer over the Win32 API (included by src/CMakeLists.txt when building for
# Windows): dialogs from our templates, the list view, the month calendar, message boxes, the
# shell and Windows Sockets.

file(GLOB GIRTH_PLATFORM_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp)
add_library(girth_platform STATIC ${GIRTH_PLATFORM_SOURCES})
target_link_libraries(girth_platform PUBLIC girth_core comctl32 shell32 ws2_32 gdi32 user32)

# Icon 128 from the same pictures the Qt build uses, made into an .ico at build time.
find_program(GIRTH_CONVERT convert REQUIRED)
set(GIRTH_ICON_PNGS ${CMAKE_CURRENT_SOURCE_DIR}/res/icons/girthminder-16.png
    ${CMAKE_CURRENT_SOURCE_DIR}/res/icons/girthminder-32.png ${CMAKE_CURRENT_SOURCE_DIR}/res/icons/girthminder-48.png)
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/girthminder.ico
  COMMAND ${GIRTH_CONVERT} ${GIRTH_ICON_PNGS} ${CMAKE_CURRENT_BINARY_DIR}/girthminder.ico
  DEPENDS ${GIRTH_ICON_PNGS}
  COMMENT "Making girthminder.ico")
add_custom_target(girth_icon DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/girthminder.ico)

# The resources go into every executable that shows our dialogs (the program, the dialog tests).
set(GIRTH_RC ${CMAKE_CURRENT_SOURCE_DIR}/platform/win32/girthminder.rc)
set_source_files_properties(${GIRTH_RC} PROPERTIES OBJECT_DEPENDS
  "${CMAKE_CURRENT_BINARY_DIR}/girthminder.ico;${CMAKE_CURRENT_SOURCE_DIR}/platform/win32/girthminder.manifest")
add_library(girth_resources OBJECT ${GIRTH_RC})
add_dependencies(girth_resources girth_icon)
target_include_directories(girth_resources PRIVATE ${CMAKE_CURRENT_BINARY_DIR}
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/win32)
