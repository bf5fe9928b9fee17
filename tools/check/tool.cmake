# pagovia-check: names every mistake in a magazine at its file and line, with the viewer's
# own loaders, tag reader and row layout, and libopenmpt for the tunes.
include(GNUInstallDirs)
add_executable(pagovia-check
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/findings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/prefs_check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/content_check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/article_check.cpp)
target_include_directories(pagovia-check PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(pagovia-check PRIVATE pagovia_core PkgConfig::OPENMPT)
# The checker calls the viewer's loaders and layout but none of its drawing. The core is
# built with one section per function so that the linker leaves out everything the checker
# never reaches, GL, GLUT and X calls included: no libGL, no display. A link error naming a
# GL or window function means a loader the checker calls has started to draw.
target_compile_options(pagovia_core PRIVATE -ffunction-sections -fdata-sections)
target_link_options(pagovia-check PRIVATE -Wl,--gc-sections)
install(TARGETS pagovia-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
