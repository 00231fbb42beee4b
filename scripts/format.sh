#!/usr/bin/env bash
# Formats the tracked C and C++ files with clang-format and the root .clang-format.
#   scripts/format.sh [--check] [FILE...]
# With --check nothing is written: the files clang-format would change are listed and the script
# fails. Without FILE arguments every tracked .c, .cpp and .h file is taken.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

check=0
if [ "${1:-}" = "--check" ]; then
  check=1
  shift
fi

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files -- '*.c' '*.cpp' '*.h')
fi
[ ${#files[@]} -gt 0 ] || exit 0

if ! command -v clang-format >/dev/null; then
  echo "format: clang-format is not installed (scripts/setup.sh installs it)" >&2
  exit 2
fi

if [ $check -eq 0 ]; then
  clang-format -i --style=file -- "${files[@]}"
  exit 0
fi

# One clang-format run for all files; it names each file it would change in its diagnostics.
status=0
report="$(clang-format --style=file --dry-run -- "${files[@]}" 2>&1 >/dev/null)" || status=$?
mapfile -t unformatted < <(printf '%s\n' "$report" | sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "format: clang-format would change these files (run scripts/format.sh FILE...):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
if [ $status -ne 0 ]; then
  printf '%s\n' "$report" >&2
  exit 2
fi
