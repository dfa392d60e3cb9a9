list(APPEND VM2PR2_PORTABLE_SOURCES src/config/language_table.cpp)
list(APPEND VM2PR2_WIN32_SOURCES src/config/registry.cpp src/config/paths.cpp)
