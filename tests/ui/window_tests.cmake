# The status window on screen against the kit's simulated printers.
if(WIN32)
  vm2pr2_test(test_status_window SOURCES ui/detail_test.cpp ui/ui_fixture.cpp
    LIBS vm2pr2_kbsim_control vm2pr2_kit_install vm2pr2_bench_support
    DEPENDS comm_printers_setup vm2pr2_kit_res_en
    FIXTURES comm_printers
    LOCKS screen target_keys vlx_common sound_log window_map)
  target_include_directories(test_status_window PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
endif()
