if(NOT WIN32)
  return()
endif()

# Installs the spooler printers these tests use (kit installer), once per run.
add_executable(comm_printers_setup comm/comm_printers_setup.cpp)
target_include_directories(comm_printers_setup PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(comm_printers_setup PRIVATE vm2pr2_kit_install)
set_target_properties(comm_printers_setup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
  CROSSCOMPILING_EMULATOR "${VM2PR2_WINE_RUN}")
add_dependencies(comm_printers_setup vm2pr2_kit_files)
add_test(NAME comm.printers_setup COMMAND comm_printers_setup)
set_tests_properties(comm.printers_setup PROPERTIES FIXTURES_SETUP comm_printers
  FIXTURES_REQUIRED wine ENVIRONMENT "${VM2PR2_TEST_ENV}" RESOURCE_LOCK spooler TIMEOUT 120)

add_executable(unload_host comm/unload_host.cpp)
set_target_properties(unload_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

vm2pr2_test(test_comm SOURCES comm/kbapi_test.cpp comm/kbchannel_test.cpp comm/kb_fetch_test.cpp
  LIBS vm2pr2_kbsim_control vm2pr2_kit_install
  DEPENDS comm_printers_setup unload_host
  FIXTURES comm_printers
  LOCKS target_keys)

vm2pr2_test(test_status_exports SOURCES comm/status_exports_test.cpp comm/detail_kbstatus_test.cpp
  LIBS vm2pr2_kbsim_control vm2pr2_kit_install
  DEPENDS comm_printers_setup
  FIXTURES comm_printers
  LOCKS target_keys)

# The timers live in the kit driver's key, which the kit's install tests rewrite.
vm2pr2_test(test_timer SOURCES comm/timer_test.cpp
  LIBS vm2pr2_kbsim_control vm2pr2_kit_install
  DEPENDS comm_printers_setup
  FIXTURES comm_printers
  LOCKS target_keys spooler)

# What the status polls keep between polls, against changes made by other
# processes (poll_cache_helper) and the spooler.
add_executable(poll_cache_helper comm/poll_cache_helper.cpp $<TARGET_OBJECTS:vm2pr2_objs>)
target_include_directories(poll_cache_helper PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(poll_cache_helper PRIVATE vm2pr2_kit_install ${VM2PR2_SYSTEM_LIBS})
set_target_properties(poll_cache_helper PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
vm2pr2_test(test_poll_cache SOURCES comm/poll_cache_test.cpp
  LIBS vm2pr2_kbsim_control vm2pr2_kit_install
  DEPENDS comm_printers_setup poll_cache_helper
  FIXTURES comm_printers
  LOCKS target_keys spooler)
set_tests_properties(test_poll_cache.PollCache.TheNextPollSeesAChangeMadeElsewhere PROPERTIES TIMEOUT 400)
