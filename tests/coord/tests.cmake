vm2pr2_test(test_window_map_records PORTABLE SOURCES coord/window_map_records_test.cpp)

if(WIN32)
  # The other processes of the register tests: registering at the same
  # moment, writing garbage, dying with the lock, holding the lock.
  add_executable(map_helper coord/map_helper.cpp $<TARGET_OBJECTS:vm2pr2_objs>)
  target_include_directories(map_helper PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(map_helper PRIVATE ${VM2PR2_SYSTEM_LIBS})
  set_target_properties(map_helper PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

  # The register's sections have fixed names shared by every process of the
  # Wine session: these tests run one at a time.
  vm2pr2_test(test_window_map SOURCES coord/window_map_test.cpp DEPENDS map_helper LOCKS window_map)
endif()

# Companion command lines and the parameter file, pure logic.
vm2pr2_test(test_companion_logic PORTABLE SOURCES coord/cmd_line_test.cpp coord/vlx_param_test.cpp
  coord/companion_commands_test.cpp)
