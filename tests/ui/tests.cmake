include(${CMAKE_CURRENT_LIST_DIR}/status_tests.cmake)
