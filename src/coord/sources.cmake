list(APPEND VM2PR2_PORTABLE_SOURCES src/coord/window_map_records.cpp)
list(APPEND VM2PR2_WIN32_SOURCES src/coord/window_map.cpp)
