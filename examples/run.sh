#!/usr/bin/env bash
# Builds the programs and runs the bundled example in examples/scratch
# (outside the tracked files), printing each program's console output.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build
scratch=examples/scratch
rm -rf "$scratch"
mkdir -p "$scratch"
cp examples/kmerbank/* "$scratch"/
cd "$scratch"
echo "== kmerbank"
../../build/kmerbank/kmerbank
echo "== flank.ref"
cat flank.ref
echo "== files written"
ls -l
