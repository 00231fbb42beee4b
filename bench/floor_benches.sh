#!/usr/bin/env bash
# The file list's load and refresh and the drive tree's expand, each against its floor, in one go.
# Makes the folders on the host side inside the Wine prefix (C:\kv_floor_bench: 10 000 and
# 100 000 files, 10 000 subfolders), which takes seconds here and many minutes under Wine, and
# removes them at the end: the tests share the prefix, and the drive tree's tests lay out drive C.
# Needs a DISPLAY and the x86_64 build of the three benchmarks.
#   bench/floor_benches.sh [rounds] [--profile]   (--profile: samples to build/x86_64/profile-*.txt
#                                                  and a report of each by bench/profile_report.py)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../scripts/env.sh"
source "$here/../scripts/wine-session.sh"
rounds="${1:-7}"
profile="${2:-}"
root="$WINEPREFIX/drive_c/kv_floor_bench"
make_files() { # folder count
  [ "$(find "$1" -maxdepth 1 -type f 2>/dev/null | wc -l)" = "$2" ] && return
  rm -rf "$1" && mkdir -p "$1"
  (cd "$1" && seq -f 'image %06g.jpg' 0 $(($2 - 1)) | xargs -d '\n' touch)
}
make_files "$root/10000" 10000
make_files "$root/100000" 100000
if [ "$(find "$root/folders" -mindepth 1 -maxdepth 1 -type d 2>/dev/null | wc -l)" != 10000 ]; then
  rm -rf "$root/folders" && mkdir -p "$root/folders"
  # Not in name order on disk, and a mix of letter cases, as real folders come.
  (cd "$root/folders" && for i in $(seq 0 9999); do
     printf '%s folder %05d\n' "$( [ $((i * 7919 % 3)) = 0 ] && echo photo || echo Photo)" $((i * 7919 % 10000))
   done | xargs -d '\n' mkdir)
fi
wine_session_begin
trap 'wine_session_end; rm -rf "$root"' EXIT
bin="$KOVALIN_BUILD/x86_64/bin"
run() { # exe args...
  local exe="$1"; shift
  local extra=()
  if [ "$profile" = --profile ]; then
    rm -f "$KOVALIN_BUILD/x86_64/profile-$exe.txt"
    local file="$KOVALIN_BUILD/x86_64/profile-$exe.txt"
    extra=(--profile "Z:${file//\//\\}")
  fi
  "$here/../scripts/wine-run.sh" "$bin/$exe.exe" "$rounds" "$@" "${extra[@]}" | tr -d '\r'
  if [ "$profile" = --profile ]; then
    python3 "$here/profile_report.py" "$KOVALIN_BUILD/x86_64/profile-$exe.txt" "$bin/$exe.exe"
  fi
}
run dir_load_floor_bench 'C:\kv_floor_bench\10000' 'C:\kv_floor_bench\100000'
run dir_refresh_floor_bench 'C:\kv_floor_bench\10000'
run tree_expand_floor_bench 'C:\kv_floor_bench\folders'
