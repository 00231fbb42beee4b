#!/usr/bin/env bash
# The printer of the print tests: a CUPS queue "PDF" on the CUPS-PDF back end, writing its PDFs to
# a folder in the build tree. "setup" starts cupsd when it is not running, adds the queue and
# restarts Wine's services so that Wine lists the printer; "cleanup" removes the queue again.
# Runs as root (as CI does); elsewhere through sudo.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/env.sh"

out="${KOVALIN_PDF_OUT:?the folder for the printed PDFs}"
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

restart_wine() {
  # Wine reads the printer list when its services start.
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  "$WINESERVER" -p >/dev/null 2>&1 || true
  "$WINE64" wineboot >/dev/null 2>&1 </dev/null || true
}

case "${1:-}" in
setup)
  mkdir -p "$out"
  chmod 777 "$out"
  conf=/etc/cups/cups-pdf.conf
  if ! grep -qx "Out $out" "$conf"; then
    as_root sed -i -e '/^Out /d' "$conf"
    echo "Out $out" | as_root tee -a "$conf" >/dev/null
  fi
  if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    as_root cupsd
    for _ in $(seq 1 50); do lpstat -r 2>/dev/null | grep -q 'is running' && break; sleep 0.2; done
  fi
  ppd=$(ls /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null || true)
  if [ -n "$ppd" ]; then
    as_root lpadmin -p PDF -E -v cups-pdf:/ -P "$ppd"
  else
    as_root lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd
  fi
  as_root lpadmin -d PDF
  as_root cupsenable PDF
  as_root cupsaccept PDF
  restart_wine
  ;;
cleanup)
  as_root lpadmin -x PDF 2>/dev/null || true
  restart_wine
  ;;
*)
  echo "usage: $0 setup|cleanup" >&2
  exit 2
  ;;
esac
