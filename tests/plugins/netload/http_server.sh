#!/usr/bin/env bash
# Starts or stops the tests' scripted HTTP server: http_server.sh start|stop FOLDER [FILES]
# The port file and the process id live in FOLDER; /file/ serves from FILES.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
dir="$2"
mkdir -p "$dir"
case "$1" in
start)
  rm -f "$dir/port"
  nohup /usr/bin/python3 "$here/http_server.py" "$dir/port" "${3:-}" >"$dir/server.log" 2>&1 </dev/null &
  echo $! >"$dir/server.pid"
  for _ in $(seq 1 100); do [ -s "$dir/port" ] && exit 0; sleep 0.1; done
  echo "http server did not start" >&2
  cat "$dir/server.log" >&2
  exit 1
  ;;
stop)
  if [ -s "$dir/server.pid" ]; then
    kill "$(cat "$dir/server.pid")" 2>/dev/null || true
    rm -f "$dir/server.pid" "$dir/port"
  fi
  ;;
esac
