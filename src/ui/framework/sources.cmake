list(APPEND VM2PR2_WIN32_SOURCES src/ui/framework/driver_key.cpp)
