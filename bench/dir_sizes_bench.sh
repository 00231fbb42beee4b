#!/bin/bash
# Makes a tree of 1 000 folders of 100 files each (1000 bytes each, sparse) on the host
# side and times the file list's folder sizes on it against a plain walk (dir_sizes_bench.exe).
#   bench/dir_sizes_bench.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
tree=/tmp/kovalin-sizes-bench
if [ ! -d "$tree/f0999" ]; then
  rm -rf "$tree"
  mkdir -p "$tree"
  for d in $(seq -f 'f%04g' 0 999); do
    mkdir "$tree/$d"
    (cd "$tree/$d" && seq -f 'file%03g.bin' 0 99 | xargs truncate -s 1000)
  done
fi
source scripts/env.sh
scripts/wine-run.sh build/x86_64/bin/dir_sizes_bench.exe "$rounds" "Z:${tree//\//\\}"
