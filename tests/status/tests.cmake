vm2pr2_test(test_status_record PORTABLE SOURCES status/status_record_test.cpp)
vm2pr2_test(test_status_tables PORTABLE SOURCES status/status_tables_test.cpp)
vm2pr2_test(test_profile_info PORTABLE SOURCES status/profile_info_test.cpp)
