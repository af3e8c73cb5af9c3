#!/usr/bin/env bash
# Starts the program offscreen under a file-size limit that any write to a
# file passes, its own log included, and checks that it runs on instead of
# being ended by the signal, then quits cleanly.
set -u
program="$1"
workdir="$(mktemp -d)"
trap 'rm -rf "$workdir"' EXIT
cd "$workdir"
export XDG_RUNTIME_DIR="$workdir/runtime"
export TMPDIR="$workdir/tmp"
mkdir -p "$TMPDIR"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# Plugin loading is logged at every start: a write that must fail.
QT_DEBUG_PLUGINS=1 bash -c 'ulimit -f 0; exec "$0"' "$program" >"$workdir/log" 2>&1 &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"
  echo "the program stopped by itself (exit code $?)"
  exit 1
fi
kill -TERM "$pid"
wait "$pid"
rc=$?
if [ "$rc" -ne 0 ]; then
  echo "the program quit with exit code $rc"
  exit 1
fi
echo "ran on past the file-size limit"
