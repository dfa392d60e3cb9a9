# Status view, sound and buzzer, trouble dialog.

if(WIN32)
  # Sounds play into one recording file: one sound test at a time.
  vm2pr2_test(test_sound_ntfy SOURCES ui/sound_ntfy_test.cpp ui/ui_fixture.cpp
    DEPENDS vm2pr2_kit_res_en vm2pr2_kit_status_files LOCKS sound_log)
  add_test(NAME test_sound_ntfy.no_audio_device
    COMMAND ${VM2PR2_WINE_RUN} ${CMAKE_BINARY_DIR}/bin/test_sound_ntfy.exe
            --gtest_filter=Sound.*)
  set(no_audio_env ${VM2PR2_TEST_ENV})
  list(FILTER no_audio_env EXCLUDE REGEX "^ALSA_CONFIG_PATH=")
  list(APPEND no_audio_env "ALSA_CONFIG_PATH=${CMAKE_CURRENT_SOURCE_DIR}/harness/alsa-none.conf"
       "VM2PR2_EXPECT_NO_AUDIO=1")
  set_tests_properties(test_sound_ntfy.no_audio_device PROPERTIES ENVIRONMENT "${no_audio_env}"
    FIXTURES_REQUIRED wine TIMEOUT 60)

  # The trouble dialog on the X display, over the kit's page variants.
  vm2pr2_test(test_trouble SOURCES ui/trouble_test.cpp ui/ui_fixture.cpp
    DEPENDS vm2pr2_kit_res_en vm2pr2_kit_status_files LOCKS screen)
  vm2pr2_test(test_dialog_view SOURCES ui/dialog_view_test.cpp ui/ui_fixture.cpp
    DEPENDS vm2pr2_kit_res_en LOCKS screen)
  # A thousand cycles through every status class take Wine about a minute.
  set_tests_properties(test_dialog_view.ViewWindow.LayoutTitleTextsHelpEveryStatusClassHiddenTypeAndNoObjectLeftBehind
    PROPERTIES TIMEOUT 300)
endif()
