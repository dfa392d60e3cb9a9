list(APPEND VM2PR2_PORTABLE_SOURCES src/base/text.cpp)
list(APPEND VM2PR2_WIN32_SOURCES src/base/trace.cpp)
