if(WIN32)
  # The window framework and the picture controls on the X display, with the
  # kit's resource DLL and pictures. Some read their window back from the
  # screen: "screen" keeps them from running beside each other.
  vm2pr2_test(test_ui_framework SOURCES ui/dialog_box_test.cpp ui/controls_test.cpp ui/ui_fixture.cpp
    DEPENDS vm2pr2_kit_res_en LOCKS screen)
endif()

# The bitmap layout reader, pure logic.
vm2pr2_test(test_dib_layout PORTABLE SOURCES ui/dib_layout_test.cpp)
include(${CMAKE_CURRENT_LIST_DIR}/status_tests.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/window_tests.cmake)
