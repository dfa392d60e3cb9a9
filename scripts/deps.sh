#!/bin/sh
# Installs what the build and the tests need, if it is missing (Debian, as root).
set -e
need=""
have() { command -v "$1" >/dev/null 2>&1; }
have cmake || need="$need cmake"
have ninja || need="$need ninja-build"
have i686-w64-mingw32-g++-posix || need="$need g++-mingw-w64-i686"
have x86_64-w64-mingw32-g++-posix || need="$need g++-mingw-w64-x86-64"
have wine || need="$need wine"
[ -x /usr/lib/wine/wine64 ] || need="$need wine64"
have Xvfb || need="$need xvfb"
have xvfb-run || need="$need xvfb"
have xauth || need="$need xauth"
have sox || need="$need sox"
[ -x /usr/bin/convert ] && convert -version 2>/dev/null | grep -q ImageMagick || need="$need imagemagick"
# Wine's ALSA driver: the tests play into an ALSA file device.
[ -n "$(ls /usr/lib/*/libasound.so.2 2>/dev/null)" ] || need="$need libasound2"
# The locale sources: the dialog font tests build a Japanese locale from them.
[ -f /usr/share/i18n/locales/ja_JP ] || need="$need locales"
have clang++ || need="$need clang"
[ -n "$(ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null)" ] || need="$need libclang-rt-dev"
[ -f /usr/src/googletest/CMakeLists.txt ] || need="$need googletest"
if [ -n "$need" ]; then
  echo "installing:$need"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $need >/dev/null
fi
