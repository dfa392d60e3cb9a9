include(${CMAKE_CURRENT_LIST_DIR}/prefs_tests.cmake)
if(WIN32)
  # The window framework and the picture controls on the X display, with the
  # kit's resource DLL and pictures. Some read their window back from the
  # screen: "screen" keeps them from running beside each other.
  add_executable(theme_probe ui/theme_probe.cpp $<TARGET_OBJECTS:vm2pr2_objs>)
  target_include_directories(theme_probe PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(theme_probe PRIVATE ${VM2PR2_SYSTEM_LIBS})
  set_target_properties(theme_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  vm2pr2_test(test_ui_framework SOURCES ui/dialog_box_test.cpp ui/controls_test.cpp
    ui/ui_fixture.cpp DEPENDS vm2pr2_kit_res_en theme_probe
    LOCKS screen)

  # The wait dialog and the programs it waits for. The settings program's
  # folder and the agent program's copy are machine-wide: "kbapi_info",
  # "agent_keys".
  vm2pr2_test(test_wait_dlg SOURCES ui/wait_dlg_test.cpp coord/companion_fixture.cpp
    DEPENDS vm2pr2_companions vm2pr2_kit_res_en LOCKS screen kbapi_info agent_keys)
  target_include_directories(test_wait_dlg PRIVATE ${CMAKE_SOURCE_DIR}/kit/companions)
endif()

# The bitmap layout reader, pure logic.
vm2pr2_test(test_dib_layout PORTABLE SOURCES ui/dib_layout_test.cpp)

if(WIN32)
  # The dialog font under a double-byte code page: a Japanese locale built
  # into the build tree (glibc finds it through LOCPATH), so the system's
  # locales stay as they are.
  set(VM2PR2_LOCALES ${CMAKE_BINARY_DIR}/locale)
  # A missing locale source does not stop the build: the tests then say the
  # system is not a double-byte one.
  add_custom_command(OUTPUT ${VM2PR2_LOCALES}/ja_JP.stamp
    COMMAND sh -c "mkdir -p ${VM2PR2_LOCALES}; localedef -i ja_JP -f UTF-8 ${VM2PR2_LOCALES}/ja_JP.UTF-8 >/dev/null 2>&1; touch ${VM2PR2_LOCALES}/ja_JP.stamp"
    VERBATIM)
  add_custom_target(vm2pr2_locale_ja DEPENDS ${VM2PR2_LOCALES}/ja_JP.stamp)
  # Its dialogs show topmost and take the activation: "screen" too.
  vm2pr2_test(test_ui_dbcs SOURCES ui/dbcs_font_test.cpp ui/ui_fixture.cpp
    DEPENDS vm2pr2_kit_res_en vm2pr2_locale_ja LOCKS screen)
  target_sources(test_ui_dbcs PRIVATE ui/ui_test_res.rc)
  set_tests_properties(test_ui_dbcs.CDialogBoxDoubleByteFont.OldSansFacesTakeTheGuiFontAtTheirSize PROPERTIES
    ENVIRONMENT "${VM2PR2_TEST_ENV};LOCPATH=${VM2PR2_LOCALES};LC_ALL=ja_JP.UTF-8")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/status_tests.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/window_tests.cmake)
