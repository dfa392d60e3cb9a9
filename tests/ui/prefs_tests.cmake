# The preferences dialog's rules without a window.
vm2pr2_test(test_prefs_logic PORTABLE SOURCES ui/prefs_logic_test.cpp)

if(WIN32)
  # The dialog on the display, acted on with real input; the target bases
  # of the user are shared with the other target-key tests: "target_keys".
  # The help control's CLSID is a machine value: "help_control".
  vm2pr2_test(test_prefs_dialog SOURCES ui/prefs_dialog_test.cpp ui/prefs_fixture.cpp config/target_fixtures.cpp
    DEPENDS vm2pr2_kit_res_en vm2pr2_kit_help vm2pr2_help_recorder vm2pr2_companions LOCKS "target_keys;help_control;run_key;window_map")
endif()

if(WIN32)
  vm2pr2_test(test_prefs_help SOURCES ui/prefs_help_test.cpp ui/prefs_fixture.cpp config/target_fixtures.cpp
    DEPENDS vm2pr2_kit_res_en vm2pr2_kit_help vm2pr2_help_recorder LOCKS "target_keys;help_control;window_map")
  # Without the system's help control either.
  set_property(TEST test_prefs_help.PrefsHelp.WithoutAHelpControlHelpRequestsDoNothing APPEND PROPERTY
    ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d;hhctrl.ocx=")
endif()
