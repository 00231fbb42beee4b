#!/usr/bin/env bash
# Sets up the machine if needed, builds, registers the JPEG plug-in in the registry map and starts
# the browser under Wine, in a folder of sample pictures (or the folder given as the first
# argument, as a Windows path).
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
source "$here/env.sh"
source "$here/wine-session.sh"

bash "$here/setup.sh"
bash "$here/build.sh" x86_64
bin="$KOVALIN_BUILD/x86_64/bin"

samples="$KOVALIN_BUILD/samples"
if [ ! -f "$samples/sunset.jpg" ]; then
  mkdir -p "$samples/holiday" "$samples/scans"
  convert -size 800x600 gradient:'#1e3c72-#f0a030' \
    -fill '#ffffff' -draw 'circle 400 300 400 140' \
    -fill '#2a7f62' -draw 'rectangle 80 420 300 540' \
    -quality 90 "$samples/sunset.jpg"
  convert -size 480x640 gradient:'#0b6e4f-#e8f1a0' -fill '#c0392b' -draw 'circle 240 320 240 220' \
    -quality 85 "$samples/portrait.jpg"
  convert -seed 7 -size 600x600 plasma:fractal -quality 80 "$samples/square.jpg"
  convert -size 1024x512 gradient:'#000040-#40a0ff' -quality 90 "$samples/holiday/beach.jpg"
  printf 'Sample pictures for the browser.\r\n' >"$samples/readme.txt"
fi

if [ -z "${DISPLAY:-}" ]; then
  echo "run: no DISPLAY; the program runs on a virtual screen (Xvfb) and nothing will be seen" >&2
fi
wine_session_begin
trap wine_session_end EXIT

# The map of open plug-ins is filled by whoever installs them; here, by this script.
for ext in jpg jpeg jpe jfif; do
  "$WINE64" reg add 'HKCU\Software\Kovalin\KPLUG\Open' /v "$ext" /d kv_jpeg.dll /f >/dev/null 2>&1
done

folder="${1:-$("$WINE64" winepath -w "$samples" 2>/dev/null)}"
"$WINE64" "$bin/browser.exe" "$folder"
