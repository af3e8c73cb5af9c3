#!/usr/bin/env bash
# Starts the program offscreen, lets it run for a few seconds and checks that
# it is still alive and printed no warning.
set -u
program="$1"
log="$(mktemp)"
workdir="$(mktemp -d)"
trap 'rm -rf "$log" "$workdir"' EXIT
cd "$workdir"
export XDG_RUNTIME_DIR="$workdir/runtime"
# The single-instance guard keys its socket and segment under the temporary
# folder: a run of its own does not meet an instance started elsewhere.
export TMPDIR="$workdir/tmp"
mkdir -p "$TMPDIR"
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$program" >"$log" 2>&1 &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"; rc=$?
  echo "the program stopped by itself (exit code $rc):"; cat "$log"
  exit 1
fi
kill -TERM "$pid"; wait "$pid" 2>/dev/null
# The offscreen platform cannot pass size hints to a window system it does not have.
sed -i '/propagateSizeHints/d' "$log"
if [ -s "$log" ]; then
  echo "the program printed:"; cat "$log"
  exit 1
fi
echo "started and ran without output"
