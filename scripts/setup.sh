#!/usr/bin/env bash
# Brings a Debian 12 machine (as root) to the state the build and the tests need:
# cross compilers, Wine, a headless X server, CMake, GoogleTest sources, ImageMagick, the German
# and French locales, and libjpeg-turbo built from Debian's source package for both Windows targets.
# Idempotent: a second run only checks and returns.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=scripts/env.sh
source "$here/env.sh"

packages=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 xvfb xauth x11-apps imagemagick
  nasm cmake make googletest dpkg-dev locales
  nginx # the web loader benchmark's local web server
  curl # the web loader benchmark's baseline client
  # the print tests' printer: CUPS with the PDF back end, and poppler to render what it printed
  cups printer-driver-cups-pdf
  poppler-utils
  nsis     # the installers (makensis with its x86 and amd64 stubs)
  python3  # the installer's zip; the web loader tests' scripted HTTP server
  xdotool  # drag-and-drop tests: modifier keys held through the X server during a drag
  clang-format  # scripts/format.sh and the formatting check of .ci/run
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The file list's texts come in German and French too; Wine takes the user's language from LANG,
# which only works for locales the system has.
# The drop menu of drag and drop has captions in more languages still.
locales=(
  de_DE fr_FR
  es_ES  # drop menu, Spanish
  it_IT  # drop menu, Italian
  pl_PL  # drop menu, Polish (code page 1250)
  pt_PT  # drop menu, Portuguese
)
for loc in "${locales[@]}"; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8$"; then
    echo "setup: generating the $loc.UTF-8 locale"
    as_root localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
  fi
done

# libjpeg-turbo from Debian's source package, built static with SIMD for each target.
build_jpeg() {
  local arch="$1" prefix="$KOVALIN_DEPS/libjpeg-turbo/$1"
  # Errors are raised as C++ exceptions from the codec's error handler, so its C code is
  # built with unwind tables; the stamp makes a change of options rebuild the cache.
  local options="static simd fexceptions v1"
  [ -f "$prefix/lib/libjpeg.a" ] && [ "$(cat "$prefix/.options" 2>/dev/null)" = "$options" ] && return 0

  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    echo "setup: adding a deb-src entry"
    as_root tee /etc/apt/sources.list.d/kovalin-src.sources >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    as_root apt-get update -qq
  fi

  local src="$KOVALIN_DEPS/src"
  mkdir -p "$src"
  if ! ls -d "$src"/libjpeg-turbo-*/ >/dev/null 2>&1; then
    echo "setup: fetching the libjpeg-turbo source package"
    (cd "$src" && chmod 755 . && apt-get source -qq --download-only libjpeg-turbo >/dev/null &&
      dpkg-source -x --no-check ./libjpeg-turbo_*.dsc >/dev/null)
  fi
  local dir
  dir="$(ls -d "$src"/libjpeg-turbo-*/ | head -n 1)"

  echo "setup: building libjpeg-turbo for $arch"
  local work="$KOVALIN_DEPS/work/libjpeg-turbo-$arch"
  rm -rf "$work"
  mkdir -p "$work"
  cmake -S "$dir" -B "$work" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$KOVALIN_ROOT/cmake/toolchain-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_C_FLAGS=-fexceptions \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DWITH_JPEG8=OFF -DWITH_ARITH_DEC=ON -DWITH_ARITH_ENC=ON \
    >"$work.log" 2>&1 || { cat "$work.log"; exit 1; }
  make -C "$work" -j"$(nproc)" jpeg-static >>"$work.log" 2>&1 || { tail -50 "$work.log"; exit 1; }
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$work/libjpeg.a" "$prefix/lib/"
  cp "$dir/jpeglib.h" "$dir/jmorecfg.h" "$dir/jerror.h" "$work/jconfig.h" "$prefix/include/"
  echo "$options" >"$prefix/.options"
  rm -rf "$work"
}

build_jpeg i686
build_jpeg x86_64
