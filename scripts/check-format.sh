#!/usr/bin/env bash
# Checks that every tracked C++ source follows .clang-format: names each file
# that does not and ends with status 1. With --fix, formats them in place.
# clang-format 14 (Debian package clang-format-14) is the version the style
# is kept with; other versions lay some lines out differently.
#   scripts/check-format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/packages.sh check format
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "${1-}" = --fix ]; then
  clang-format-14 -i "${sources[@]}"
  exit 0
fi
unformatted=()
for f in "${sources[@]}"; do
  clang-format-14 --dry-run --Werror "$f" 2>/dev/null || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "not formatted as .clang-format asks (scripts/check-format.sh --fix formats them):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
