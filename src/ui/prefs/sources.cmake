list(APPEND VM2PR2_PORTABLE_SOURCES src/ui/prefs/prefs_logic.cpp)
list(APPEND VM2PR2_WIN32_SOURCES src/ui/prefs/notify_list.cpp src/ui/prefs/html_help.cpp
  src/ui/prefs/vlx_env_dlg.cpp src/ui/prefs/vlx_env_help.cpp src/ui/prefs/prefs_theme.cpp)
