#!/usr/bin/env bash
# Installs the Debian packages the kit builds and tests with.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends \
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config \
  googletest libgtest-dev libgmock-dev libbenchmark-dev \
  duktape-dev libcurl4-openssl-dev libcairo2-dev \
  libjpeg62-turbo-dev libturbojpeg0-dev libcpp-httplib-dev \
  mingw-w64 mingw-w64-tools wine wine64 libwine-dev
