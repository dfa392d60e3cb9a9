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

if(WIN32)
  # The companion programs as the module starts them; the kit's stand-ins
  # record each start in a log of the test's own. The Run key is the user's
  # and shared by every test process: "run_key".
  vm2pr2_test(test_companion_launch SOURCES coord/companion_launch_test.cpp coord/companion_fixture.cpp
    DEPENDS vm2pr2_companions LOCKS run_key)
  target_include_directories(test_companion_launch PRIVATE ${CMAKE_SOURCE_DIR}/kit/companions)

  # The parameter object on disk, and completed from the spooler.
  vm2pr2_test(test_vlx_param_win SOURCES coord/vlx_param_win_test.cpp coord/companion_fixture.cpp)
  target_include_directories(test_vlx_param_win PRIVATE ${CMAKE_SOURCE_DIR}/kit/companions)
  vm2pr2_test(test_vlx_param_printer SOURCES coord/vlx_param_printer_test.cpp
    LIBS vm2pr2_kit_install LOCKS spooler)

  # The agent's keys are fixed machine keys: "agent_keys".
  vm2pr2_test(test_agent SOURCES coord/agent_test.cpp coord/companion_fixture.cpp
    DEPENDS vm2pr2_companions vm2pr2_kit_res_en LOCKS agent_keys screen)
  target_include_directories(test_agent PRIVATE ${CMAKE_SOURCE_DIR}/kit/companions)
endif()
