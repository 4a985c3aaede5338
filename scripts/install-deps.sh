#!/usr/bin/env bash
# Installs the Debian packages the kit builds and tests with.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
# The deliverables are 32-bit Windows programs: their tests run under 32-bit
# wine, which comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -q
apt-get install -y -q --no-install-recommends \
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config \
  googletest libgtest-dev libgmock-dev libbenchmark-dev \
  duktape-dev libcurl4-openssl-dev libcairo2-dev \
  libjpeg62-turbo-dev libturbojpeg0-dev libcpp-httplib-dev nlohmann-json3-dev chromium nodejs \
  libreoffice-writer-nogui libpoppler-cpp-dev fonts-wqy-microhei \
  mingw-w64 mingw-w64-tools wine wine64 wine32:i386 libwine-dev dpkg-dev xvfb x11-utils x11-apps imagemagick locales \
  osslsigncode openssl wixl gcab

# The Windows builds compile libcurl and libjpeg-turbo from Debian's source
# packages (scripts/mingw-deps.sh): add source entries for the configured
# mirror when there are none.
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  mirror=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  if [ -z "$mirror" ]; then
    mirror=$(awk '$1 == "deb" {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
  fi
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "${mirror:-http://deb.debian.org/debian}" "$suite" > /etc/apt/sources.list.d/kit-deb-src.sources
  apt-get update -q
fi
