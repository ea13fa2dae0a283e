# The libraries the stand-ins are built on, found once for the whole tree.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets)

pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswresample libavutil)
pkg_check_modules(VORBIS REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
pkg_check_modules(TAGLIB REQUIRED IMPORTED_TARGET taglib)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)

# libmp3lame ships no pkg-config file on Debian.
find_path(LAME_INCLUDE_DIR lame/lame.h REQUIRED)
find_library(LAME_LIBRARY mp3lame REQUIRED)
add_library(quandor_lame INTERFACE)
target_include_directories(quandor_lame INTERFACE ${LAME_INCLUDE_DIR})
target_link_libraries(quandor_lame INTERFACE ${LAME_LIBRARY})
