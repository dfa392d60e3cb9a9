list(APPEND VM2PR2_PORTABLE_SOURCES src/ui/status/trouble_pages.cpp)
list(APPEND VM2PR2_WIN32_SOURCES
  src/ui/status/sound_ntfy.cpp
  src/ui/status/trouble.cpp
  src/ui/status/dialog_view.cpp
  src/ui/status/detail.cpp
  src/ui/status/about_box.cpp)
