# tunedeck, the music player the viewer starts once per tune. It shares the port code with
# the viewer (pagovia_core's platform/ports) and goes into the demo magazine's musicplayer/.
add_executable(tunedeck ${CMAKE_CURRENT_LIST_DIR}/tunedeck.cpp)
target_link_libraries(tunedeck PRIVATE pagovia_core PkgConfig::SDL2 PkgConfig::OPENMPT)
add_custom_command(TARGET tunedeck POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/demo/musicplayer
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tunedeck> ${CMAKE_BINARY_DIR}/demo/musicplayer/tunedeck)
