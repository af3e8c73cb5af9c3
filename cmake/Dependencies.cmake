# Every dependency is found up front, even before code calls it, so that a
# missing package stops the configure step with a message naming it.
foreach(component Core Gui Widgets Network Xml Multimedia PrintSupport Test Svg)
  find_package(Qt5${component} 5.15 QUIET)
  if(NOT Qt5${component}_FOUND)
    message(FATAL_ERROR "Qt 5.15 module ${component} not found: run scripts/deps.sh (Debian packages qtbase5-dev, qtmultimedia5-dev, libqt5svg5-dev)")
  endif()
endforeach()

find_package(ZLIB QUIET)
if(NOT ZLIB_FOUND)
  message(FATAL_ERROR "zlib not found: run scripts/deps.sh (Debian package zlib1g-dev)")
endif()

find_package(PkgConfig)
if(NOT PKG_CONFIG_FOUND)
  message(FATAL_ERROR "pkg-config not found: run scripts/deps.sh (Debian package pkg-config)")
endif()

pkg_check_modules(FFMPEG QUIET IMPORTED_TARGET libavformat libavcodec libavutil libswresample libswscale)
if(NOT FFMPEG_FOUND)
  message(FATAL_ERROR "FFmpeg libraries not found: run scripts/deps.sh (Debian packages libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev)")
endif()

pkg_check_modules(RTMIDI QUIET IMPORTED_TARGET rtmidi>=5)
if(NOT RTMIDI_FOUND)
  message(FATAL_ERROR "RtMidi 5 not found: run scripts/deps.sh (Debian package librtmidi-dev)")
endif()
