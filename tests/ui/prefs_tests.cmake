# The preferences dialog's rules without a window.
vm2pr2_test(test_prefs_logic PORTABLE SOURCES ui/prefs_logic_test.cpp)

if(WIN32)
  # The dialog on the display, acted on with real input; the target bases
  # of the user are shared with the other target-key tests: "target_keys".
  # The help control's CLSID is a machine value: "help_control".
  # WinHelp is watched through the program's own import (vm2pr2_bench_support).
  vm2pr2_test(test_prefs_dialog SOURCES ui/prefs_dialog_test.cpp config/target_fixtures.cpp
    LIBS vm2pr2_bench_support DEPENDS vm2pr2_kit_res_en vm2pr2_kit_help vm2pr2_help_recorder vm2pr2_companions LOCKS "screen;target_keys;help_control;run_key;window_map")
  # Without the system's help control either.
  set_property(TEST test_prefs_dialog.PrefsDialog.BadRunsEndWithTheirResultsAndWithoutAHelpControlHelpDoesNothing APPEND PROPERTY
    ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d;hhctrl.ocx=")
  set_tests_properties(test_prefs_dialog.PrefsDialog.OpenAndCloseCyclesLeaveNothingBehind PROPERTIES TIMEOUT 300)
  # Windows 98 in a child: the agent's machine keys and the settings program's folder.
  set_property(TEST test_prefs_dialog.PrefsDialog.Windows9xWithNwlinkOnlyTurnsTheAgentOffAndRefusesBothAgentBoxes
    APPEND PROPERTY RESOURCE_LOCK "agent_keys;kbapi_info")
endif()

if(WIN32)
  # Presses a button of a named window from outside: the demo's preferences
  # run under a script (kit.demo_preferences).
  add_executable(press_button ui/press_button.cpp)
  set_target_properties(press_button PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_test(NAME kit.demo_preferences
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/ui/demo_preferences.sh ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(kit.demo_preferences PROPERTIES ENVIRONMENT "${VM2PR2_TEST_ENV}" FIXTURES_REQUIRED wine
    RESOURCE_LOCK "spooler;target_keys;run_key;window_map;kbapi_info;screen" TIMEOUT 300
    PASS_REGULAR_EXPRESSION "Tray-icon program started as:.*K_VM1IC2.EXE")
  add_dependencies(press_button vm2pr2_demo)
endif()
