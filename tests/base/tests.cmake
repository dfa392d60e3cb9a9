vm2pr2_test(test_base PORTABLE SOURCES base/text_test.cpp base/fetch_sized_test.cpp)
