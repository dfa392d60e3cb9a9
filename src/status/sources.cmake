list(APPEND VM2PR2_PORTABLE_SOURCES
  src/status/status_record.cpp
  src/status/status_tables.cpp
  src/status/profile_info.cpp)
list(APPEND VM2PR2_WIN32_SOURCES
  src/status/profile_info_win.cpp
  src/status/status_ctrl.cpp
  src/status/status_info.cpp)
