#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages.
# Idempotent: when every package is present it only checks and exits.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386 xvfb xauth x11-utils
  cmake ninja-build make g++ clang-format
  googletest libgtest-dev libbenchmark-dev
  espeak-ng sox icoutils
  libtiff-tools imagemagick libjpeg-turbo-progs libtiff-dev libjpeg62-turbo-dev
  clang libclang-rt-14-dev
  python3 libmodbus-dev pkg-config
  llvm-14 zip xorriso
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "deps: missing packages (${missing[*]}); run 'make deps' as root" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "deps: installed ${missing[*]}"
