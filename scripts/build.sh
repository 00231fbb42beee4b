#!/usr/bin/env bash
# Configures and builds both targets: i686 (the deliverable) and x86_64 (what the tests run).
# Usage: scripts/build.sh [i686|x86_64]...   (both when none is named)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(i686 x86_64)
for arch in "${arches[@]}"; do
  dir="$KOVALIN_BUILD/$arch"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$KOVALIN_ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$KOVALIN_ROOT/cmake/toolchain-$arch.cmake" \
      -DKOVALIN_DEPS="$KOVALIN_DEPS" >/dev/null
  fi
  echo "build: $arch"
  if ! cmake --build "$dir" -j"$(nproc)" >"$dir/build.log" 2>&1; then
    grep -v -E '^\[ *[0-9]+%\]' "$dir/build.log" >&2
    echo "build: $arch failed" >&2
    exit 1
  fi
  grep -E 'warning:' "$dir/build.log" || true
done
