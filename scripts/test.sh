#!/usr/bin/env bash
# Sets up the machine if needed, builds both targets and runs every test under Wine.
# Extra arguments go to ctest (for example -R jpeg).
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
source "$here/env.sh"
source "$here/wine-session.sh"

bash "$here/setup.sh"
bash "$here/build.sh"

wine_session_begin
trap wine_session_end EXIT
status=0
ctest --test-dir "$KOVALIN_BUILD/x86_64" --output-on-failure --timeout 600 "$@" || status=$?
exit $status
