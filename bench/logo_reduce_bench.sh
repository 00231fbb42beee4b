#!/usr/bin/env bash
# ReduceToPalette (under Wine) against ImageMagick's 256-colour Floyd-Steinberg reduction of the
# same images, in one run. Needs a DISPLAY and the x86_64 build.
#   bench/logo_reduce_bench.sh [rounds]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../scripts/env.sh"
rounds="${1:-3}"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
winedir="Z:${dir//\//\\}"
"$here/../scripts/wine-run.sh" "$KOVALIN_BUILD/x86_64/bin/logo_reduce_bench.exe" "$winedir" "$rounds" | tr -d '\r' | tee "$dir/ours.txt"
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for size in 320x400 6000x4000; do
  n=$rounds; [ "$size" = 320x400 ] && n=$((rounds * 10))
  for _ in $(seq "$n"); do
    s=$(date +%s.%N)
    convert "$dir/photo_$size.ppm" -dither FloydSteinberg -colors 256 "BMP3:$dir/im_$size.bmp"
    e=$(date +%s.%N)
    awk -v s="$s" -v e="$e" 'BEGIN {print (e - s) * 1000}' 
  done | median > "$dir/im_$size.txt"
  im=$(cat "$dir/im_$size.txt")
  ours=$(grep "reduce $size " "$dir/ours.txt" | awk '{print $3}')
  awk -v s="$size" -v im="$im" -v ours="$ours" \
    'BEGIN {printf "convert %s %.1f ms; ratio ours/convert %.3f (target 1.0 or less)\n", s, im, ours / im}' 
done
