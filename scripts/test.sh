#!/usr/bin/env bash
# Installs what is missing, builds the Debug build with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test, then runs them once more in
# a plain Release build: a freed address reused or a different optimisation
# shows faults the sanitizer build hides.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh"
# A library that includes one above it builds today and tangles tomorrow;
# the check goes first as it takes a second where the build takes minutes.
python3 "$root/scripts/layers.py" --self-test
python3 "$root/scripts/layers.py" "$root"
# Compilations are cached by paths relative to the tree, so a fresh clone in
# another folder reuses what an earlier build compiled.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
build="$root/build/test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=ON
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$(mktemp -d)"
  export XDG_RUNTIME_DIR
fi
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
jobs="$(nproc 2>/dev/null || echo 2)"
ctest --test-dir "$build" --output-on-failure -j "$jobs"

# The second build doubles the compile time: on a machine of fewer than four
# cores it would take the run past half an hour, so it is left to machines
# with the cores for it (or asked for with ORVANE_RELEASE_TESTS=1).
if [ "$jobs" -ge 4 ] || [ "${ORVANE_RELEASE_TESTS:-0}" = 1 ]; then
  release="$root/build/release"
  cmake -S "$root" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_SANITIZE=OFF -DORVANE_TESTS=ON
  cmake --build "$release"
  ctest --test-dir "$release" --output-on-failure -j "$jobs"
else
  echo "Release build not tested: $jobs cores (set ORVANE_RELEASE_TESTS=1 to run it)"
fi
