list(APPEND VM2PR2_WIN32_SOURCES
  src/module/app.cpp
  src/module/exports.cpp
)
