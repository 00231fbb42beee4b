#!/usr/bin/env bash
# Runs a Windows program of the x86_64 build under wine64 with the project's prefix.
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
exec "$WINE64" "$@"
