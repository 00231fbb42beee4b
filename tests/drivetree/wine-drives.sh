#!/usr/bin/env bash
# Gives the Wine prefix the extra drives the drive tests look at, or takes them away again:
#   M:  network type, on a folder; it holds Case\foo and Case\Foo, two folders whose names differ only
#       in case, which Windows programs cannot make but may meet on such a drive
#   R:  floppy type, on a folder that does not exist (a removable drive without a medium)
#   S:  CD-ROM type, on a folder whose volume label is MYDISC
# Wine reads drive types when its services start, so the services are restarted afterwards.
# Usage: wine-drives.sh setup|cleanup
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/env.sh"
source "$here/../../scripts/wine-session.sh"

root="$KOVALIN_BUILD/test-drives"
devices="$WINEPREFIX/dosdevices"
key='HKLM\Software\Wine\Drives'

case "${1:-}" in
setup)
  mkdir -p "$root/net/share1/Case/foo" "$root/net/share1/Case/Foo" "$root/cd"
  printf 'MYDISC' >"$root/cd/.windows-label"
  rm -rf "$root/nomedia"
  ln -sfn "$root/net/share1" "$devices/m:"
  ln -sfn "$root/nomedia" "$devices/r:"
  ln -sfn "$root/cd" "$devices/s:"
  for d in m:network r:floppy s:cdrom; do
    "$WINE64" reg add "$key" /v "${d%%:*}:" /d "${d#*:}" /f >/dev/null 2>&1 </dev/null
  done
  ;;
cleanup)
  rm -f "$devices/m:" "$devices/r:" "$devices/s:"
  for d in m r s; do
    "$WINE64" reg delete "$key" /v "$d:" /f >/dev/null 2>&1 </dev/null || true
  done
  ;;
*)
  echo "usage: $0 setup|cleanup" >&2
  exit 2
  ;;
esac
"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINESERVER" -w >/dev/null 2>&1 || true
wine_session_begin
