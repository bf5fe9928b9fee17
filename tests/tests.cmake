# Test targets. Unit and render tests: tests/<subsystem>/*_test.cpp in one GoogleTest binary
# that draws with OSMesa (never libGL). Tests that need a real X server: *_x11_test.cpp.
# End-to-end tests: tests/e2e/test_*.py drive the real binaries under their own Xvfb.
# Fuzz targets: tests/fuzz/*_fuzz.cpp, run for a bounded time over tests/fuzz/corpus/<name>.
include(GoogleTest)
find_package(GTest REQUIRED)

# The test support (pixel probes, the recording pointer service) and the offscreen window
# service go into each test program whole: the core's archive, read after them, finds every
# service it calls already there.
file(GLOB_RECURSE SUPPORT_SOURCES CONFIGURE_DEPENDS tests/support/*.cpp)
list(FILTER SUPPORT_SOURCES EXCLUDE REGEX "_x11\\.cpp$")
add_library(pagovia_testsupport OBJECT ${SUPPORT_SOURCES} ${OFFSCREEN_SOURCES})
target_include_directories(pagovia_testsupport PUBLIC src tests)
target_link_libraries(pagovia_testsupport PUBLIC pagovia_core PkgConfig::OSMESA GTest::gtest)

if(PAGOVIA_FUZZ)
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS tests/fuzz/*_fuzz.cpp)
  foreach(src ${FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE pagovia_testsupport)
    set(corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
    # New inputs go to a scratch corpus in the build tree (libFuzzer writes to the first
    # directory); the committed seeds are only read.
    set(scratch ${CMAKE_BINARY_DIR}/fuzz-work/${name})
    add_test(NAME fuzz.${name}
      COMMAND sh -c "mkdir -p '${scratch}' && exec '$<TARGET_FILE:${name}>' -max_total_time=20 -timeout=5 -rss_limit_mb=2048 '${scratch}' '${corpus}'"
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 120)
  endforeach()
  return()
endif()

file(GLOB_RECURSE UNIT_SOURCES CONFIGURE_DEPENDS tests/*_test.cpp)
list(FILTER UNIT_SOURCES EXCLUDE REGEX "_x11_test\\.cpp$|tests/(e2e|fuzz)/")
add_executable(pagovia_tests ${UNIT_SOURCES})
target_link_libraries(pagovia_tests PRIVATE pagovia_testsupport GTest::gtest_main)
gtest_discover_tests(pagovia_tests
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  PROPERTIES LABELS unit ENVIRONMENT "PAGOVIA_SOURCE=${CMAKE_SOURCE_DIR};PAGOVIA_BUILD=${CMAKE_BINARY_DIR}"
  DISCOVERY_TIMEOUT 60)

file(GLOB_RECURSE X_TEST_SOURCES CONFIGURE_DEPENDS tests/*_x11_test.cpp)
# -noreset: Xvfb would otherwise reset, refusing connections, each time the last client leaves.
if(X_TEST_SOURCES)
  file(GLOB_RECURSE X_SUPPORT CONFIGURE_DEPENDS tests/support/*_x11.cpp)
  add_executable(pagovia_x_tests ${X_TEST_SOURCES} ${X_SUPPORT})
  target_include_directories(pagovia_x_tests PRIVATE src tests)
  target_link_libraries(pagovia_x_tests PRIVATE pagovia_x GTest::gtest_main)
  add_test(NAME x11.pagovia_x_tests
    COMMAND xvfb-run -a -s "-screen 0 1280x960x24 -noreset" $<TARGET_FILE:pagovia_x_tests>
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(x11.pagovia_x_tests PROPERTIES LABELS "display" TIMEOUT 300
    ENVIRONMENT "PAGOVIA_SOURCE=${CMAKE_SOURCE_DIR};PAGOVIA_BUILD=${CMAKE_BINARY_DIR}")
endif()

if(NOT PAGOVIA_SANITIZE)
  file(GLOB E2E_TESTS CONFIGURE_DEPENDS tests/e2e/test_*.py)
  foreach(t ${E2E_TESTS})
    get_filename_component(name ${t} NAME_WE)
    add_test(NAME e2e.${name} COMMAND /usr/bin/python3 -m unittest -v ${name}
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/e2e)
    set_tests_properties(e2e.${name} PROPERTIES LABELS "e2e;display" TIMEOUT 600
      ENVIRONMENT "PAGOVIA_SOURCE=${CMAKE_SOURCE_DIR};PAGOVIA_BUILD=${CMAKE_BINARY_DIR};SDL_AUDIODRIVER=dummy")
  endforeach()
endif()

# The music tests start the real player built beside them.
add_dependencies(pagovia_tests tunedeck)
