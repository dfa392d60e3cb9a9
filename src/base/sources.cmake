list(APPEND VM2PR2_PORTABLE_SOURCES src/base/text.cpp)
