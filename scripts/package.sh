#!/usr/bin/env bash
# Builds the Windows installers and zips: build/package/kovalin-setup-x86.exe (the deliverable,
# from the i686 build) and kovalin-setup-amd64.exe (from the x86_64 build, the one that runs on
# these machines), each with a zip of the same install folder beside it.
#
#   scripts/package.sh [i686|x86_64]...         builds the targets named (both when none), then packages
#   scripts/package.sh --from BIN --to OUT ARCH  packages one build's bin folder, without building
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

package_one() {
  local bin="$1" out="$2" arch="$3" nsis_arch
  case "$arch" in
    i686) nsis_arch=x86 ;;
    x86_64) nsis_arch=amd64 ;;
    *) echo "package: unknown target $arch" >&2; exit 2 ;;
  esac
  local work="$out/$nsis_arch"
  rm -rf "$work"
  mkdir -p "$work/lists" "$work/Kovalin/plugins"

  # Exactly the plug-ins of the build, listed for the installer and for the uninstaller.
  : >"$work/lists/installer.files.nsh"
  : >"$work/lists/uninstaller.files.nsh"
  local dll name
  for dll in "$bin"/plugins/*.dll; do
    name="$(basename "$dll")"
    echo "File \"$dll\"" >>"$work/lists/installer.files.nsh"
    echo "Delete \"\$INSTDIR\\plugins\\$name\"" >>"$work/lists/uninstaller.files.nsh"
    cp "$dll" "$work/Kovalin/plugins/"
  done
  cp "$bin/browser.exe" "$bin/vodedi.exe" "$bin/kplugreg.exe" "$work/Kovalin/"

  makensis -V2 -DARCH="$nsis_arch" -DBINDIR="$bin" -DFILELIST="$work/lists" \
    -DOUTFILE="$out/kovalin-setup-$nsis_arch.exe" "$KOVALIN_ROOT/installer/kovalin.nsi"
  rm -f "$out/kovalin-$nsis_arch.zip"
  (cd "$work" && python3 -m zipfile -c "$out/kovalin-$nsis_arch.zip" Kovalin)
  echo "package: $out/kovalin-setup-$nsis_arch.exe, $out/kovalin-$nsis_arch.zip"
}

if [ "${1:-}" = "--from" ]; then
  [ $# -eq 5 ] && [ "$3" = "--to" ] || { echo "usage: package.sh --from BIN --to OUT ARCH" >&2; exit 2; }
  mkdir -p "$4"
  package_one "$2" "$4" "$5"
  exit 0
fi

arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(i686 x86_64)
bash "$KOVALIN_ROOT/scripts/build.sh" "${arches[@]}"
for arch in "${arches[@]}"; do
  package_one "$KOVALIN_BUILD/$arch/bin" "$KOVALIN_BUILD/package" "$arch"
done
