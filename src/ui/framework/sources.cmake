list(APPEND VM2PR2_PORTABLE_SOURCES
  src/ui/framework/dib_layout.cpp)
list(APPEND VM2PR2_WIN32_SOURCES
  src/ui/framework/driver_key.cpp
  src/ui/framework/wnd_base.cpp
  src/ui/framework/dialog_box.cpp
  src/ui/framework/view_base.cpp
  src/ui/framework/win_theme.cpp
  src/ui/framework/bmp256_ctrl.cpp
  src/ui/framework/icon_ctrl.cpp
  src/ui/framework/wait_dlg.cpp
  src/ui/framework/acc_names.cpp)
