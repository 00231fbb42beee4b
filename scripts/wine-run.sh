#!/usr/bin/env bash
# Runs a Windows program of the x86_64 build under wine64 with the project's prefix.
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
# Wine's recycle bin is the desktop trash below XDG_DATA_HOME: what tests delete to it stays in
# the build folder instead of the user's trash.
export XDG_DATA_HOME="$KOVALIN_BUILD/xdg-data"
mkdir -p "$XDG_DATA_HOME"
exec "$WINE64" "$@"
