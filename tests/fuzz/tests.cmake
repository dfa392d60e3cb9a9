# libFuzzer targets of the portable parsers, native clang build only. Each one
# also runs as a test: a short, bounded session over the committed seeds, so
# the targets keep building and keep passing. New inputs go to the build tree,
# never to the committed corpus.
if(NOT WIN32 AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(VM2PR2_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -g -O1)
  set(VM2PR2_FUZZ_SOURCES
    ${CMAKE_SOURCE_DIR}/src/status/status_record.cpp
    ${CMAKE_SOURCE_DIR}/src/status/status_tables.cpp
    ${CMAKE_SOURCE_DIR}/src/status/profile_info.cpp)

  foreach(target fuzz_status_reply fuzz_ink_class fuzz_attribute_bits fuzz_status_lines)
    add_executable(${target} fuzz/${target}.cpp ${VM2PR2_FUZZ_SOURCES})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src)
    target_compile_options(${target} PRIVATE ${VM2PR2_FUZZ_FLAGS})
    target_link_options(${target} PRIVATE ${VM2PR2_FUZZ_FLAGS})
    set(work ${CMAKE_CURRENT_BINARY_DIR}/fuzz-work/${target})
    file(MAKE_DIRECTORY ${work})
    add_test(NAME fuzz.${target}
      COMMAND ${target} -runs=20000 -max_total_time=30 -timeout=10 -rss_limit_mb=1024
              ${work} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${target})
    set_tests_properties(fuzz.${target} PROPERTIES TIMEOUT 120)
  endforeach()

  # The shared window register's record walker over section bytes written by
  # anyone: it must never step outside the span.
  add_executable(fuzz_window_map fuzz/fuzz_window_map.cpp ${CMAKE_SOURCE_DIR}/src/coord/window_map_records.cpp)
  target_include_directories(fuzz_window_map PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(fuzz_window_map PRIVATE ${VM2PR2_FUZZ_FLAGS})
  target_link_options(fuzz_window_map PRIVATE ${VM2PR2_FUZZ_FLAGS})
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fuzz-work/fuzz_window_map)
  add_test(NAME fuzz.fuzz_window_map
    COMMAND fuzz_window_map -runs=20000 -max_total_time=30 -timeout=10 -rss_limit_mb=1024 -max_len=300000
            ${CMAKE_CURRENT_BINARY_DIR}/fuzz-work/fuzz_window_map ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/fuzz_window_map)
  set_tests_properties(fuzz.fuzz_window_map PROPERTIES TIMEOUT 120)

  add_executable(fuzz_write_seeds fuzz/write_seeds.cpp ${CMAKE_SOURCE_DIR}/src/status/status_record.cpp)
  target_include_directories(fuzz_write_seeds PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})

  # The companion option reader and parameter-file lines, over text any
  # program or file could hold.
  add_executable(fuzz_cmd_line fuzz/fuzz_cmd_line.cpp ${CMAKE_SOURCE_DIR}/src/coord/cmd_line.cpp
    ${CMAKE_SOURCE_DIR}/src/coord/vlx_param.cpp ${CMAKE_SOURCE_DIR}/src/coord/companion_commands.cpp
    ${CMAKE_SOURCE_DIR}/src/base/text.cpp)
  target_include_directories(fuzz_cmd_line PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(fuzz_cmd_line PRIVATE ${VM2PR2_FUZZ_FLAGS})
  target_link_options(fuzz_cmd_line PRIVATE ${VM2PR2_FUZZ_FLAGS})
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fuzz-work/fuzz_cmd_line)
  add_test(NAME fuzz.fuzz_cmd_line
    COMMAND fuzz_cmd_line -runs=20000 -max_total_time=30 -timeout=10 -rss_limit_mb=1024 -max_len=4000
            ${CMAKE_CURRENT_BINARY_DIR}/fuzz-work/fuzz_cmd_line ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/fuzz_cmd_line)
  set_tests_properties(fuzz.fuzz_cmd_line PROPERTIES TIMEOUT 120)

  # The picture controls' bitmap layout reader over file and resource bytes
  # anyone may have written.
  add_executable(fuzz_dib_layout fuzz/fuzz_dib_layout.cpp ${CMAKE_SOURCE_DIR}/src/ui/framework/dib_layout.cpp)
  target_include_directories(fuzz_dib_layout PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(fuzz_dib_layout PRIVATE ${VM2PR2_FUZZ_FLAGS})
  target_link_options(fuzz_dib_layout PRIVATE ${VM2PR2_FUZZ_FLAGS})
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fuzz-work/fuzz_dib_layout)
  add_test(NAME fuzz.fuzz_dib_layout
    COMMAND fuzz_dib_layout -runs=20000 -max_total_time=30 -timeout=10 -rss_limit_mb=1024 -max_len=20000
            ${CMAKE_CURRENT_BINARY_DIR}/fuzz-work/fuzz_dib_layout ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/fuzz_dib_layout)
  set_tests_properties(fuzz.fuzz_dib_layout PROPERTIES TIMEOUT 120)

  # The trouble page reader over resource bytes of a DLL we do not control.
  add_executable(fuzz_trouble_pages fuzz/fuzz_trouble_pages.cpp ${CMAKE_SOURCE_DIR}/src/ui/status/trouble_pages.cpp)
  target_include_directories(fuzz_trouble_pages PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(fuzz_trouble_pages PRIVATE ${VM2PR2_FUZZ_FLAGS})
  target_link_options(fuzz_trouble_pages PRIVATE ${VM2PR2_FUZZ_FLAGS})
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fuzz-work/fuzz_trouble_pages)
  add_test(NAME fuzz.fuzz_trouble_pages
    COMMAND fuzz_trouble_pages -runs=20000 -max_total_time=30 -timeout=10 -rss_limit_mb=1024 -max_len=2000
            ${CMAKE_CURRENT_BINARY_DIR}/fuzz-work/fuzz_trouble_pages ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/fuzz_trouble_pages)
  set_tests_properties(fuzz.fuzz_trouble_pages PROPERTIES TIMEOUT 120)
endif()
