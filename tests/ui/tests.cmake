if(WIN32)
  # The window framework on the X display, with the kit's resource DLL.
  vm2pr2_test(test_ui_framework SOURCES ui/dialog_box_test.cpp ui/ui_fixture.cpp
    DEPENDS vm2pr2_kit_res_en)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/status_tests.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/window_tests.cmake)
