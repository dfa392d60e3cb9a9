list(APPEND VM2PR2_WIN32_SOURCES
  src/comm/com_tolerance.cpp
  src/comm/detail_kbstatus.cpp
  src/comm/kbapi.cpp
  src/comm/kbchannel.cpp)
