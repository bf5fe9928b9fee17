# pagovia-proof: prints where the viewer breaks an article's rows and pages, with the
# viewer's own preferences reader and row layout.
add_executable(pagovia-proof ${CMAKE_CURRENT_LIST_DIR}/proof.cpp)
target_link_libraries(pagovia-proof PRIVATE pagovia_core)
include(GNUInstallDirs)
install(TARGETS pagovia-proof RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
