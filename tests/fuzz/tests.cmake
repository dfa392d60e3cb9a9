# libFuzzer targets of the portable parsers, native clang build only. Each one
# also runs as a test: a short, bounded session over the committed seeds, so
# the targets keep building and keep passing. New inputs go to the build tree,
# never to the committed corpus.
if(NOT WIN32 AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(VM2PR2_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -g -O1)

  # vm2pr2_fuzz(<name> SOURCES <code under test> ... [MAX_LEN <bytes>])
  #   fuzz/<name>.cpp against the sources, and the test fuzz.<name> over the
  #   seeds in fuzz/corpus/<name>.
  function(vm2pr2_fuzz name)
    cmake_parse_arguments(F "" "MAX_LEN" "SOURCES" ${ARGN})
    add_executable(${name} fuzz/${name}.cpp ${F_SOURCES})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
    target_compile_options(${name} PRIVATE ${VM2PR2_FUZZ_FLAGS})
    target_link_options(${name} PRIVATE ${VM2PR2_FUZZ_FLAGS})
    set(work ${CMAKE_CURRENT_BINARY_DIR}/fuzz-work/${name})
    file(MAKE_DIRECTORY ${work})
    set(limits -runs=20000 -max_total_time=30 -timeout=10 -rss_limit_mb=1024)
    if(F_MAX_LEN)
      list(APPEND limits -max_len=${F_MAX_LEN})
    endif()
    add_test(NAME fuzz.${name} COMMAND ${name} ${limits} ${work} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name})
    set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 120)
  endfunction()

  set(status_sources ${CMAKE_SOURCE_DIR}/src/status/status_record.cpp ${CMAKE_SOURCE_DIR}/src/status/status_tables.cpp
      ${CMAKE_SOURCE_DIR}/src/status/profile_info.cpp)
  foreach(target fuzz_status_reply fuzz_ink_class fuzz_attribute_bits fuzz_status_lines)
    vm2pr2_fuzz(${target} SOURCES ${status_sources})
  endforeach()

  # The shared window register's record walker over section bytes written by
  # anyone: it must never step outside the span.
  vm2pr2_fuzz(fuzz_window_map SOURCES ${CMAKE_SOURCE_DIR}/src/coord/window_map_records.cpp MAX_LEN 300000)

  # The companion option reader and parameter-file lines, over text any
  # program or file could hold.
  vm2pr2_fuzz(fuzz_cmd_line MAX_LEN 4000 SOURCES ${CMAKE_SOURCE_DIR}/src/coord/cmd_line.cpp
    ${CMAKE_SOURCE_DIR}/src/coord/vlx_param.cpp ${CMAKE_SOURCE_DIR}/src/coord/companion_commands.cpp
    ${CMAKE_SOURCE_DIR}/src/base/text.cpp)

  # The picture controls' bitmap layout reader over file and resource bytes
  # anyone may have written.
  vm2pr2_fuzz(fuzz_dib_layout MAX_LEN 20000 SOURCES ${CMAKE_SOURCE_DIR}/src/ui/framework/dib_layout.cpp)

  # The trouble page reader over resource bytes of a DLL we do not control.
  vm2pr2_fuzz(fuzz_trouble_pages MAX_LEN 2000 SOURCES ${CMAKE_SOURCE_DIR}/src/ui/status/trouble_pages.cpp)
endif()
