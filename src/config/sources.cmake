list(APPEND VM2PR2_PORTABLE_SOURCES src/config/language_table.cpp)
list(APPEND VM2PR2_WIN32_SOURCES src/config/registry.cpp src/config/paths.cpp)
list(APPEND VM2PR2_PORTABLE_SOURCES src/config/target_rules.cpp)
list(APPEND VM2PR2_WIN32_SOURCES src/config/logon_user.cpp src/config/target_keys.cpp src/config/notify_settings.cpp)
