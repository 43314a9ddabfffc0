#!/usr/bin/env bash
# Builds into the given directory (default: build) and runs every test.
# Further arguments are passed to cmake, e.g. -DSANITIZE=ON. Missing Debian
# packages are installed first.
set -euo pipefail
cd "$(dirname "$0")"
scripts/packages.sh install tests
dir=${1:-build}
shift || true
# The tests are asked for explicitly: examples/run.sh builds the programs
# alone in the same directory, and CMake keeps that choice in its cache.
cmake -S . -B "$dir" -G Ninja -DBUILD_TESTING=ON "$@" >/dev/null
cmake --build "$dir"
ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$(nproc)"
