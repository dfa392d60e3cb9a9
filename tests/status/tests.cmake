vm2pr2_test(test_status_record PORTABLE SOURCES status/status_record_test.cpp)
vm2pr2_test(test_status_tables PORTABLE SOURCES status/status_tables_test.cpp)
vm2pr2_test(test_profile_info PORTABLE SOURCES status/profile_info_test.cpp)

if(WIN32)
  # Resource-only DLL standing in for a printer's resource DLL.
  add_library(vm2pr2_status_res SHARED status/status_test_res.rc status/status_test_res.c)
  set_target_properties(vm2pr2_status_res PROPERTIES PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

  # HKEY_CLASSES_ROOT\.HTM decides whether help pages are HTML files: the
  # tests that create or remove it hold the lock.
  vm2pr2_test(test_status_info SOURCES status/status_info_test.cpp
    DEPENDS vm2pr2_status_res LOCKS hkcr_htm)
endif()
