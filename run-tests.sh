#!/usr/bin/env bash
# Builds into the given directory (default: build) and runs every test.
# Further arguments are passed to cmake, e.g. -DSANITIZE=ON.
set -euo pipefail
cd "$(dirname "$0")"
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
