#!/usr/bin/env bash
# Cross-builds the libraries that Debian ships no mingw-w64 build of (libcurl,
# libjpeg-turbo) from Debian's own source packages, as static libraries, and
# takes the single header of cpp-httplib from its source package (Debian
# builds that library for Linux only).
#
#   mingw-deps.sh TOOLCHAIN_FILE WORK_DIR
#
# Sources land in WORK_DIR/src, builds in WORK_DIR/build, the result in
# WORK_DIR/install. Each piece is made once: a folder made before a piece
# was added gets that piece alone, and a finished one is reused as it is.
set -euo pipefail
toolchain=$1
work=$2
install=$work/install
if [ -f "$install/.complete" ] && [ -f "$install/include/httplib.h" ]; then
  exit 0
fi
mkdir -p "$work/src" "$work/build" "$install/include"
cd "$work/src"
# Only the source packages' own trees, unpacked with Debian's patches.
if [ ! -f "$install/.complete" ] &&
   { ! ls -d curl-*/ >/dev/null 2>&1 || ! ls -d libjpeg-turbo-*/ >/dev/null 2>&1; }; then
  apt-get source -q curl libjpeg-turbo
fi
if [ ! -f "$install/include/httplib.h" ] && ! ls -d cpp-httplib-*/ >/dev/null 2>&1; then
  apt-get source -q cpp-httplib
fi

# The header as released, patches included; written under another name
# first, so that a stopped copy never counts as done.
if [ ! -f "$install/include/httplib.h" ]; then
  httplib_src=$(ls -d "$work"/src/cpp-httplib-*/ | head -n1)
  cp "$httplib_src/httplib.h" "$install/include/httplib.h.part"
  mv "$install/include/httplib.h.part" "$install/include/httplib.h"
fi
if [ -f "$install/.complete" ]; then
  exit 0
fi
curl_src=$(ls -d "$work"/src/curl-*/ | head -n1)
jpeg_src=$(ls -d "$work"/src/libjpeg-turbo-*/ | head -n1)

common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX="$install" -DCMAKE_INSTALL_LIBDIR="$install/lib")

# Plain HTTP only, as the office intranet serves it; nothing the target
# desktops (Windows XP included) lack.
if [ ! -f "$work/build/curl.done" ]; then
cmake -S "$curl_src" -B "$work/build/curl" "${common[@]}" \
  -DCMAKE_C_FLAGS=-D_WIN32_WINNT=0x0501 \
  -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DHTTP_ONLY=ON \
  -DCURL_ENABLE_SSL=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_ZLIB=OFF -DUSE_LIBIDN2=OFF \
  -DENABLE_IPV6=OFF -DENABLE_UNIX_SOCKETS=OFF -DCURL_DISABLE_LDAP=ON -DENABLE_MANUAL=OFF
cmake --build "$work/build/curl" --target install
touch "$work/build/curl.done"
fi

if [ ! -f "$work/build/jpeg.done" ]; then
cmake -S "$jpeg_src" -B "$work/build/jpeg" "${common[@]}" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_JAVA=OFF
cmake --build "$work/build/jpeg" --target install
touch "$work/build/jpeg.done"
fi

touch "$install/.complete"
