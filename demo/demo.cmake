# The demo magazine, assembled in ${CMAKE_BINARY_DIR}/demo by every build: the committed
# articles, prefs.txt and scroll texts are copied there, the generators draw the font atlas,
# the pictures and the menus, the tunes come from Debian's tecnoballz-data, and the player
# and the pointer sheet are installed when their targets are part of the tree.
set(DEMO_DIR ${CMAKE_BINARY_DIR}/demo)
set(DEMO_SOURCE ${CMAKE_CURRENT_LIST_DIR})
file(GLOB DEMO_ARTICLES CONFIGURE_DEPENDS ${DEMO_SOURCE}/Articles/*)
file(GLOB DEMO_SCROLLTEXTS CONFIGURE_DEPENDS ${DEMO_SOURCE}/ScrollTexts/*)

# Every output is a file of the magazine itself (no stamps), so a deleted magazine is made
# again by the next build. Articles and scroll texts are replaced as a whole, so a file
# removed from the source does not linger.
set(DEMO_SOURCE_OUTPUTS ${DEMO_DIR}/prefs.txt)
foreach(source ${DEMO_ARTICLES} ${DEMO_SCROLLTEXTS})
  get_filename_component(folder ${source} DIRECTORY)
  get_filename_component(folder ${folder} NAME)
  get_filename_component(name ${source} NAME)
  list(APPEND DEMO_SOURCE_OUTPUTS ${DEMO_DIR}/${folder}/${name})
endforeach()
add_custom_command(OUTPUT ${DEMO_SOURCE_OUTPUTS}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${DEMO_DIR}/Articles ${DEMO_DIR}/ScrollTexts
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${DEMO_SOURCE}/Articles ${DEMO_DIR}/Articles
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${DEMO_SOURCE}/ScrollTexts ${DEMO_DIR}/ScrollTexts
  COMMAND ${CMAKE_COMMAND} -E copy ${DEMO_SOURCE}/prefs.txt ${DEMO_DIR}/prefs.txt
  DEPENDS ${DEMO_ARTICLES} ${DEMO_SCROLLTEXTS} ${DEMO_SOURCE}/prefs.txt
  COMMENT "Copying the demo magazine's articles, scroll texts and prefs.txt")

add_custom_command(OUTPUT ${DEMO_DIR}/Fonts/font4.pbm
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DEMO_DIR}/Fonts
  COMMAND pagovia-gen-font ${DEMO_DIR}/Fonts/font4.pbm
  DEPENDS pagovia-gen-font
  COMMENT "Rendering the demo magazine's font atlas")

# The generator draws every picture in one run; these are the files prefs.txt and the
# viewer name, which stand for the rest.
set(DEMO_PICTURES ${DEMO_DIR}/Images/bkg4.pbm ${DEMO_DIR}/Images/title.ppm
  ${DEMO_DIR}/Menus/menu1_top.ppm ${DEMO_DIR}/Menus/menu2_bottom.ppm)
add_custom_command(OUTPUT ${DEMO_PICTURES}
  COMMAND pagovia-gen-images ${DEMO_DIR}
  DEPENDS pagovia-gen-images
  COMMENT "Drawing the demo magazine's pictures and menus")

set(DEMO_OUTPUTS ${DEMO_SOURCE_OUTPUTS} ${DEMO_DIR}/Fonts/font4.pbm ${DEMO_PICTURES})

# Tunes: the modules of Debian's tecnoballz-data that the articles name, found where the
# package put them. Without the package the magazine simply has no music.
set(DEMO_TUNES fridge-in-space_from_reg-zbb.mod mon-lapin_reg-zbb.mod tecnoballz.mod)
execute_process(COMMAND dpkg -L tecnoballz-data OUTPUT_VARIABLE DEMO_PACKAGE_FILES ERROR_QUIET)
string(REPLACE "\n" ";" DEMO_PACKAGE_FILES "${DEMO_PACKAGE_FILES}")
file(GLOB_RECURSE DEMO_GLOBBED_MODULES /usr/share/games/tecnoballz/*.mod)
set(DEMO_SONGS_FOUND "")
foreach(tune ${DEMO_TUNES})
  set(found "")
  foreach(candidate ${DEMO_PACKAGE_FILES} ${DEMO_GLOBBED_MODULES})
    get_filename_component(candidate_name "${candidate}" NAME)
    if(NOT found AND candidate_name STREQUAL tune AND EXISTS "${candidate}")
      set(found "${candidate}")
    endif()
  endforeach()
  if(found)
    add_custom_command(OUTPUT ${DEMO_DIR}/Songs/${tune}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${DEMO_DIR}/Songs
      COMMAND ${CMAKE_COMMAND} -E copy ${found} ${DEMO_DIR}/Songs/${tune}
      DEPENDS ${found}
      COMMENT "Copying the tune ${tune} into the demo magazine")
    list(APPEND DEMO_OUTPUTS ${DEMO_DIR}/Songs/${tune})
    list(APPEND DEMO_SONGS_FOUND ${tune})
  endif()
endforeach()
if(NOT DEMO_SONGS_FOUND)
  message(STATUS "Demo magazine: tecnoballz-data is not installed, so the demo has no tunes")
endif()

if(TARGET tunedeck)
  add_custom_command(OUTPUT ${DEMO_DIR}/musicplayer/tunedeck
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DEMO_DIR}/musicplayer
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tunedeck> ${DEMO_DIR}/musicplayer/tunedeck
    DEPENDS tunedeck
    COMMENT "Installing tunedeck into the demo magazine")
  list(APPEND DEMO_OUTPUTS ${DEMO_DIR}/musicplayer/tunedeck)
endif()

if(TARGET pagovia-gen-pointers)
  add_custom_command(OUTPUT ${DEMO_DIR}/Pointers/pointers.iff
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DEMO_DIR}/Pointers
    COMMAND pagovia-gen-pointers ${DEMO_DIR}/Pointers/pointers.iff
    DEPENDS pagovia-gen-pointers
    COMMENT "Drawing the demo magazine's pointer sheet")
  list(APPEND DEMO_OUTPUTS ${DEMO_DIR}/Pointers/pointers.iff)
endif()

add_custom_target(demo ALL DEPENDS ${DEMO_OUTPUTS})
