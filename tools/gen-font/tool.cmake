# pagovia-gen-font: the font atlas of the demo magazine, rendered with FreeType.
# pagovia_textmask: the FreeType text rasteriser that the picture generator shares.
add_library(pagovia_textmask STATIC ${CMAKE_CURRENT_LIST_DIR}/rasterise.cpp)
target_include_directories(pagovia_textmask PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(pagovia_textmask PUBLIC PkgConfig::FREETYPE)

add_executable(pagovia-gen-font ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(pagovia-gen-font PRIVATE pagovia_textmask)
