vm2pr2_test(test_language_table PORTABLE SOURCES config/language_table_test.cpp)
vm2pr2_test(test_config SOURCES config/registry_test.cpp config/paths_test.cpp)
