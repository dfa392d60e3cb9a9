# The printer kit's own tests.

# Pure logic of the simulated library, also run natively.
vm2pr2_test(test_kbsim_logic PORTABLE SOURCES kit/kbsim_logic_test.cpp
  ${CMAKE_SOURCE_DIR}/kit/kbsim/kbsim_reply.cpp ${CMAKE_SOURCE_DIR}/kit/kbsim/kbsim_layout.cpp)
if(TARGET test_kbsim_logic)
  target_include_directories(test_kbsim_logic PRIVATE ${CMAKE_SOURCE_DIR}/kit)
endif()

if(WIN32)
  # The simulated library as the module will see it. Every test works in an
  # instance of its own, so they need no lock.
  vm2pr2_test(test_kbsim SOURCES kit/kbsim_test.cpp
    LIBS vm2pr2_kbsim_control
    DEPENDS vm2pr2_kbsim vm2pr2_kbsim_nosend vm2pr2_kbsim_nostatus kbsim_ctl)

  # Data file and resource DLLs, read without installing anything.
  vm2pr2_test(test_kit_files SOURCES kit/kit_files_test.cpp
    LIBS vm2pr2_kbsim_control
    DEPENDS vm2pr2_kit_res_en vm2pr2_kit_res_de)

  # Installing into the test prefix: the spooler, HKLM and the install folder
  # are shared, so these tests (and any other test that installs the demo
  # printers) take the lock "spooler".
  vm2pr2_test(test_kit_install SOURCES kit/kit_install_test.cpp
    LIBS vm2pr2_kit_install
    DEPENDS vm2pr2_kit_files kit_install
    LOCKS spooler)

  # kit_install.exe in a prefix made for the occasion, read back by the
  # disabled test KitFreshPrefix.ReadsBackWhatKitInstallWrote.
  add_test(NAME kit.fresh_prefix_install
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/kit/fresh-prefix.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(kit.fresh_prefix_install PROPERTIES TIMEOUT 300
    ENVIRONMENT "WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d")
endif()

if(WIN32)
  # The benchmark's process counters and import redirection.
  vm2pr2_test(test_bench_support SOURCES kit/bench_support_test.cpp LIBS vm2pr2_bench_support)

  # The demo's day end to end: every poll must come back as the kit's presets
  # say and no channel may stay open. It installs the demo printers and
  # rebuilds their target keys, and works in a simulator instance of its own.
  # Unattended (--quick): the first pop-up comes from a second process and
  # closes itself; the status window opened on demand (--view) is closed by
  # the demo. The demo installs the library's key: "kbapi_info".
  add_test(NAME kit.demo_day
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/kit/demo_day.sh ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(kit.demo_day PROPERTIES TIMEOUT 180 FIXTURES_REQUIRED wine
    RESOURCE_LOCK "spooler;target_keys;kbapi_info;screen;window_map"
    ENVIRONMENT "${VM2PR2_TEST_ENV};KBSIM_INSTANCE=kit_demo_day")
endif()

if(WIN32)
  # The model's help page opened from the status window through the shell
  # (the .htm association of the test prefix names the stand-in viewer).
  vm2pr2_test(test_kit_help_page SOURCES kit/help_page_test.cpp
    LIBS vm2pr2_kbsim_control vm2pr2_kit_install
    DEPENDS comm_printers_setup vm2pr2_kit_res_en vm2pr2_companions
    FIXTURES comm_printers
    LOCKS screen target_keys window_map)
endif()
