list(APPEND VM2PR2_WIN32_SOURCES
  src/comm/kbapi.cpp
  src/comm/kbchannel.cpp)
