include(${CMAKE_CURRENT_LIST_DIR}/prefs_tests.cmake)
