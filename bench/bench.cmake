# Benchmarks: bench/*_bench.cpp, each a Google Benchmark program drawing (if at all) with OSMesa.
# They are built with the tree but never run by the test suite: run them by hand and read the figures.
find_package(benchmark REQUIRED)
file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
foreach(src ${BENCH_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE pagovia_testsupport pagovia_core pagovia_testsupport benchmark::benchmark)
endforeach()
