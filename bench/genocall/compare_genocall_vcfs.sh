#!/usr/bin/env bash
# Runs two genocall binaries on the same generated inputs and checks that
# they write the same bytes: the VCF file and standard output (compile stamp
# masked) of every run, and the exit status. Meant for a change that must not
# change behaviour: give the binary built before it and the one built after.
#
# Inputs, from bench/genocall/make_genocall_data.cpp at the given size
# (default 300 samples x 20,000 markers; 2000 50000 is the benchmark's):
#   bench   the benchmark's inputs as they are: depths 0 to 15, zero depth,
#           missing calls;
#   edge    the same with frequencies of 0, 1, out of 0..1, nan and inf
#           (not-a-number posteriors, and posteriors far outside 0..1) on
#           every third marker, and the count characters C, D, E and F turned
#           into Z, z, the byte 0xFF and / (counts 35, 67, 207 and 255).
# Each set runs with no flag, with each flag alone and with all three; with
# error rates 0.001 and 0 (not-a-number posteriors); with minimum depths 1
# and -1; the edge set also through a gzip read-depth file.
# Usage: bench/genocall/compare_genocall_vcfs.sh OLD_GENOCALL NEW_GENOCALL [scratch dir] [samples] [markers]
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
old=$(realpath "$1")
new=$(realpath "$2")
work=${3:-/tmp/genocall_compare}
samples=${4:-300}
markers=${5:-20000}
mkdir -p "$work"
cd "$work"

# The generator is a CMake target of the benchmark tools.
cmake -S "$repo" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBENCH_TOOLS=ON >/dev/null
cmake --build "$work/build" --target make_genocall_data >/dev/null
cp "$work/build/bench/make_genocall_data" .
mkdir -p bench edge
./make_genocall_data bench "$samples" "$markers"
cp bench/variants.txt edge/variants.txt
awk '{ if (NR % 3 == 0) { split("0 1 1.5 -0.2 nan inf 1e8 -3.5e5 12345.678", v, " "); $3 = v[(NR / 3) % 9 + 1] } print }' \
  bench/frequencies.txt > edge/frequencies.txt
tr 'CDEF' 'Zz\377/' < bench/readdepth.txt > edge/readdepth.txt
gzip -1 -c edge/readdepth.txt > edge/readdepth.txt.gz

mask() { sed 's/^Compile Timestamp: .*:.* $/Compile Timestamp: <masked> /'; }
flag_sets=("" "--write_genotype_probabilities" "--write_dosage" "--write_allele_depth"
  "--write_genotype_probabilities --write_dosage --write_allele_depth")
compared=0
failed=0
# Usage: compare set depth-file extra-arguments...
compare() {
  local set=$1 depth=$2; shift 2
  local label="$set $depth $*"
  local which binary status_old=0 status_new=0
  for which in old new; do
    binary=$old
    [ "$which" = new ] && binary=$new
    # The same file names for both, since standard output echoes them.
    set +e
    (cd "$set" && "$binary" --variant_input_filename variants.txt --frequency_input_filename frequencies.txt \
      --readdepth_input_filename "$depth" --vcf_output_filename ../calls.vcf "$@" > ../raw.out)
    eval "status_$which=$?"
    set -e
    mask < raw.out > "$which.out"
    mv calls.vcf "$which.vcf"
  done
  compared=$((compared + 1))
  if [ "$status_old" != "$status_new" ] || ! cmp -s old.out new.out || ! cmp -s old.vcf new.vcf; then
    echo "DIFFERENT: $label (status $status_old / $status_new)"
    failed=$((failed + 1))
  else
    echo "same: $label ($(stat -c %s new.vcf) bytes, $(md5sum < new.vcf | cut -c1-12))"
  fi
  rm -f old.vcf new.vcf old.out new.out raw.out
}

for set in bench edge; do
  for flags in "${flag_sets[@]}"; do
    # shellcheck disable=SC2086 # the flags are words
    compare "$set" readdepth.txt $flags
  done
  for rate in 0.001 0; do
    for depth in 1 -1; do
      # shellcheck disable=SC2086
      compare "$set" readdepth.txt ${flag_sets[4]} --error_rate "$rate" --missing_min_read_depth "$depth"
    done
  done
done
# shellcheck disable=SC2086
compare edge readdepth.txt.gz ${flag_sets[4]}
echo "$compared runs compared, $failed different"
[ "$failed" -eq 0 ]
