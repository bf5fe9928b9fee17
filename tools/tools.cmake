# Each authoring tool or asset generator lives in tools/<name>/ with a tool.cmake that adds it.
file(GLOB TOOL_FRAGMENTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*/tool.cmake)
foreach(fragment ${TOOL_FRAGMENTS})
  include(${fragment})
endforeach()
