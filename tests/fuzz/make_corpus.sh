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
  local f name
  for f in "$@"; do
    [ -f "$f" ] || continue
    name="$out/$target/seed-$selector-$(basename "$(dirname "$f")")-$(basename "$f")"
    if [ "$selector" = - ]; then
      cp "$f" "$name"
    else
      { printf "\\x$(printf %02x "$selector")"; cat "$f"; } > "$name"
    fi
  done
}

shopt -s nullglob
seed fuzz_free_format 0 "$tests"/kmerbank/cases/*/kmerbank.options
seed fuzz_free_format 1 "$tests"/kmerbank/cases/*/variants.prior
seed fuzz_free_format 2 "$tests"/kmerbank/cases/*/flank.loc
seed fuzz_free_format 1 "$tests"/fragsim/cases/*/variants.true
seed fuzz_free_format 3 "$tests"/fragsim/cases/*/fragsim.options
seed fuzz_free_format 4 "$tests"/fragsim/cases/*/simseed
seed fuzz_reference_unf - "$tests"/fragsim/cases/*/reference.unf
seed fuzz_true_variants - "$tests"/fragsim/cases/*/variants.true

# reference.fa with the largest capacities the selector byte gives.
seed fuzz_reference_fa 255 "$tests"/kmerbank/cases/*/reference.fa

# variants.prior, with the case's flank.loc after two zero bytes when it has
# one (selector: flank.loc present, flanklen 10).
mkdir -p "$out/fuzz_prior_variants"
for f in "$tests"/kmerbank/cases/*/variants.prior; do
  c=$(dirname "$f")
  if [ -f "$c/flank.loc" ]; then
    { printf '\x05'; cat "$f"; printf '\x00\x00'; cat "$c/flank.loc"; } > "$out/fuzz_prior_variants/seed-$(basename "$c")"
  else
    { printf '\x04'; cat "$f"; } > "$out/fuzz_prior_variants/seed-$(basename "$c")"
  fi
done

# genotypes.true: the selector byte gives nvar (the first row's nloci, so the
# rows pass their check) and four sources.
n=0
for f in "$tests"/fragsim/cases/*/genotypes.true; do
  n=$((n + 1))
  nloci=$(head -n 1 "$f" | cut -c 21-30 | tr -d ' ')
  selector=$(( (${nloci:-0} % 8) + 24 ))
  mkdir -p "$out/fuzz_genotypes"
  { printf "\\x$(printf %02x "$selector")"; cat "$f"; } > "$out/fuzz_genotypes/seed-$n"
done

# genocall: every case folder gives its variant file (with its frequency file
# after two zero bytes when it has one), its read-depth file with the marker
# count of its variant file, and its argument list.
mkdir -p "$out/fuzz_genocall_markers" "$out/fuzz_genocall_depth" "$out/fuzz_genocall_options"
for c in "$tests"/genocall/cases/*/; do
  name=$(basename "$c")
  variants=$(ls "$c" | grep -i -E '^(variants|markers)' | head -n 1 || true)
  frequencies=$(ls "$c" | grep -i -E '^freq' | head -n 1 || true)
  if [ -n "$variants" ]; then
    if [ -n "$frequencies" ]; then
      { printf '\x01'; cat "$c/$variants"; printf '\x00\x00'; cat "$c/$frequencies"; } > "$out/fuzz_genocall_markers/seed-$name"
    else
      { printf '\x00'; cat "$c/$variants"; } > "$out/fuzz_genocall_markers/seed-$name"
    fi
    markers=$(( $(wc -l < "$c/$variants") - 1 ))
    [ "$markers" -ge 0 ] || markers=0
    for depth in "$c"/*; do
      [ -f "$depth" ] || continue
      case $(basename "$depth") in
        args | env | "$variants" | "$frequencies") continue ;;
        *.gz)
          form=$(printf %02x $(( (markers % 64) * 4 + 2 )))
          { printf "\\x$form"; cat "$depth"; } > "$out/fuzz_genocall_depth/seed-$name-gz"
          if gzip -dc "$depth" > /dev/null 2>&1; then
            form=$(printf %02x $(( (markers % 64) * 4 + 1 )))
            { printf "\\x$form"; gzip -dc "$depth"; } > "$out/fuzz_genocall_depth/seed-$name-text"
          fi ;;
        *)
          form=$(printf %02x $(( (markers % 64) * 4 )))
          { printf "\\x$form"; cat "$depth"; } > "$out/fuzz_genocall_depth/seed-$name-plain" ;;
      esac
    done
  fi
  if [ -f "$c/args" ]; then
    # One argument per line; the last one ends without a separator.
    awk 'BEGIN { ORS = "" } NR > 1 { printf "%c", 0 } { print }' "$c/args" > "$out/fuzz_genocall_options/seed-$name"
  fi
done
# Regression inputs found by earlier campaigns join the seeds.
for d in "$here"/regressions/*/; do
  t=$(basename "$d")
  mkdir -p "$out/$t"
  cp "$d"/* "$out/$t"/ 2>/dev/null || true
done
