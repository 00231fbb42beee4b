# Shared settings of the project's scripts; sourced, not run.
KOVALIN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Third-party builds live outside the work tree so that a fresh clone reuses them.
KOVALIN_DEPS="${KOVALIN_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/kovalin}"
KOVALIN_BUILD="${KOVALIN_BUILD:-$KOVALIN_ROOT/build}"
export KOVALIN_ROOT KOVALIN_DEPS KOVALIN_BUILD

export WINEPREFIX="${WINEPREFIX:-$KOVALIN_BUILD/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
export WINE64 WINESERVER
