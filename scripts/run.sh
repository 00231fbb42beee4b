#!/usr/bin/env bash
# Sets up the machine if needed, builds, registers the JPEG plug-in in the registry map and starts
# the program under Wine. Until the browser exists this is the stand-in editor showing a sample
# JPEG (or the file given as the first argument, as a Windows path).
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
source "$here/env.sh"
source "$here/wine-session.sh"

bash "$here/setup.sh"
bash "$here/build.sh" x86_64
bin="$KOVALIN_BUILD/x86_64/bin"

samples="$KOVALIN_BUILD/samples"
if [ ! -f "$samples/sample.jpg" ]; then
  mkdir -p "$samples"
  convert -size 800x600 gradient:'#1e3c72-#f0a030' \
    -fill '#ffffff' -draw 'circle 400 300 400 140' \
    -fill '#2a7f62' -draw 'rectangle 80 420 300 540' \
    -quality 90 "$samples/sample.jpg"
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

file="${1:-$("$WINE64" winepath -w "$samples/sample.jpg" 2>/dev/null)}"
"$WINE64" "$bin/vodedi.exe" "$file"
