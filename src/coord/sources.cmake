list(APPEND VM2PR2_PORTABLE_SOURCES src/coord/window_map_records.cpp)
list(APPEND VM2PR2_WIN32_SOURCES src/coord/window_map.cpp)
list(APPEND VM2PR2_PORTABLE_SOURCES src/coord/cmd_line.cpp src/coord/vlx_param.cpp src/coord/companion_commands.cpp)
list(APPEND VM2PR2_WIN32_SOURCES src/coord/vlx_param_win.cpp src/coord/companion_launch.cpp src/coord/agent.cpp
  src/coord/wait_dlg.cpp)
