# pagovia-proof: prints where the viewer breaks an article's rows and pages, and draws pages
# and contact sheets as PNG files offscreen, with the viewer's own loading and drawing code
# (the portable core on OSMesa: no X server, no libGL).
include(GNUInstallDirs)
pkg_check_modules(LIBPNG REQUIRED IMPORTED_TARGET libpng)
add_executable(pagovia-proof ${CMAKE_CURRENT_LIST_DIR}/proof.cpp ${CMAKE_CURRENT_LIST_DIR}/pages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless.cpp ${CMAKE_CURRENT_LIST_DIR}/png.cpp)
target_link_libraries(pagovia-proof PRIVATE pagovia_offscreen PkgConfig::LIBPNG)
install(TARGETS pagovia-proof RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
