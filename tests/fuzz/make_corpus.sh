#!/usr/bin/env bash
# Builds the seed corpus of every fuzz target from the test fixtures, into
# the directory given (one subdirectory per target). Targets that read
# several kinds of file take a first byte that picks the kind.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tests=$(dirname "$here")
out=$1
mkdir -p "$out"

# seed TARGET SELECTOR FILE...: each file becomes one seed, prefixed with the
# selector byte (none when SELECTOR is -).
seed() {
  local target=$1 selector=$2
  shift 2
  mkdir -p "$out/$target"
  local f n=0
  for f in "$@"; do
    [ -f "$f" ] || continue
    n=$((n + 1))
    if [ "$selector" = - ]; then
      cp "$f" "$out/$target/seed-$(basename "$(dirname "$f")")-$n"
    else
      { printf "\\x$(printf %02x "$selector")"; cat "$f"; } > "$out/$target/seed-$(basename "$(dirname "$f")")-$n"
    fi
  done
}

shopt -s nullglob
seed fuzz_free_format 0 "$tests"/kmerbank/cases/*/kmerbank.options
seed fuzz_free_format 1 "$tests"/kmerbank/cases/*/variants.prior
seed fuzz_free_format 2 "$tests"/kmerbank/cases/*/flank.loc
# Regression inputs found by earlier campaigns join the seeds.
for d in "$here"/regressions/*/; do
  t=$(basename "$d")
  mkdir -p "$out/$t"
  cp "$d"/* "$out/$t"/ 2>/dev/null || true
done
