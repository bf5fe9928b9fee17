# pagovia-gen-images: the demo magazine's backgrounds, startup picture and menu images.
file(GLOB GEN_IMAGES_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_executable(pagovia-gen-images ${GEN_IMAGES_SOURCES})
target_link_libraries(pagovia-gen-images PRIVATE pagovia_textmask)
