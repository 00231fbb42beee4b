# Sourced by the scripts that run Windows programs: a display, the project's Wine prefix and one
# wineserver kept alive for the whole run, all stopped again by wine_session_end.

wine_session_begin() {
  if [ -z "${DISPLAY:-}" ]; then
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    KOVALIN_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating the prefix $WINEPREFIX (once, about two minutes)"
    mkdir -p "$WINEPREFIX"
    "$WINE64" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w
  fi
  "$WINESERVER" -p 2>/dev/null || true  # already running is fine
  # Without a window manager (as under Xvfb) Wine waits two seconds for each managed window to be
  # withdrawn when it hides; unmanaged windows hide at once.
  if ! grep -qs '"Managed"="N"' "$WINEPREFIX/user.reg"; then
    "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
  fi
  # A program that crashes ends at once instead of waiting behind Wine's crash dialog, so a test
  # that crashes fails rather than hanging until its time-out.
  if ! grep -qs '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg"; then
    "$WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null || true
  fi
  # Start Wine's background services now, with their output going nowhere: started later by a
  # test, they would inherit ctest's pipes and keep it waiting after the test has ended.
  "$WINE64" wineboot >/dev/null 2>&1 </dev/null || true
}

wine_session_end() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  if [ -n "${KOVALIN_XVFB_PID:-}" ]; then
    kill "$KOVALIN_XVFB_PID" 2>/dev/null || true
    wait "$KOVALIN_XVFB_PID" 2>/dev/null || true
  fi
}
