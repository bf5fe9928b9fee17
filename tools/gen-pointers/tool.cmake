# pagovia-gen-pointers: draws the demo magazine's pointer sheet and writes it as IFF ILBM.
# Usage: pagovia-gen-pointers <output.iff>
add_executable(pagovia-gen-pointers ${CMAKE_CURRENT_LIST_DIR}/gen_pointers.cpp)
if(TARGET pagovia_tests)
  # The pointer tests decode the generator's output.
  add_dependencies(pagovia_tests pagovia-gen-pointers)
endif()
