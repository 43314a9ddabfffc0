#!/usr/bin/env bash
# fragsim at genome scale: a human-shaped reference (24 chromosomes of the
# lengths of GRCh38, 3.09 Gb; SCALE multiplies every length), true variants
# at a human sample's density (one per 35 bases: 90 % SNPs, 5 % insertions,
# 5 % deletions of 1 to 10 bases) and genotype rows for SOURCES sources. The
# coverage is small, so that a run is mostly its start-up (map, variants,
# genotypes) and a source loop long enough to time. Prints for each build its
# peak memory (maximum resident set), the start-up time to the source loop
# and its phases (from the console's wall-time lines), the minor page faults
# and system time of the whole run, and the bases per second of the source
# loop. With BASELINE=<git revision> that revision is built as well and run
# on the same inputs right after this one, the two side by side, and their
# consoles are compared (wall-time lines aside).
#
# usage: [SCALE=1] [SOURCES=2] [COVERAGE=c] [THREADS=1] [BASELINE=rev] [TO_DISK=1]
#        bench/fragsim/run_genome_bench.sh [build dir] [work dir]
#   SCALE=1 needs some 20 GB of memory in a build that holds a 32-bit variant
#   number for every map position, and 3.1 GB of disk for reference.unf and
#   2.1 GB for variants.true; SCALE=0.1 a tenth of that.
#   COVERAGE is per source; by default 0.02 / (SCALE x SOURCES), so that the
#   loop makes about 62 Mbases whatever the scale and the number of sources.
#   Read files go to /dev/null (symbolic links); TO_DISK=1 writes real files,
#   and with BASELINE compares those of the two builds too.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
. "$repo/bench/fragsim/bench_common.sh"
"$repo/scripts/packages.sh" check bench-fragsim-genome  # the build tools, /usr/bin/time, awk, md5sum
build=$(cd "${1:-$repo/build}" && pwd)
[ -x "$build/fragsim/fragsim" ] || { echo "no $build/fragsim/fragsim: build first (./run-tests.sh or examples/run.sh)" >&2; exit 1; }
scale=${SCALE:-1}
sources=${SOURCES:-2}
# By default the source loop draws about 62 Mbases in all, a coverage of 0.01
# per source for 2 sources at full length.
coverage=${COVERAGE:-$(awk -v s="$scale" -v n="$sources" 'BEGIN {print 0.02 / (s * (n > 0 ? n : 1))}')}
threads=${THREADS:-1}
baseline=${BASELINE:-}
work=${2:-/tmp/fragsim-genome-bench}
mkdir -p "$work"
work=$(cd "$work" && pwd)
cd "$work"

# The input generator, built in a tree of its own below the work directory.
cmake -S "$repo" -B tools -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBENCH_TOOLS=ON >/dev/null
cmake --build tools --target make_human_inputs >/dev/null

if [ -n "$baseline" ]; then
  echo "== build of $baseline (Release)"
  baseline_build=$(build_revision "$repo" "$baseline" "$work")
fi

# Inputs, kept for later runs of the same scale: the map and the variants in
# scale<SCALE>/, the genotype rows for each number of sources beside them.
inputs=$work/scale$scale
mkdir -p "$inputs"
if [ ! -f "$inputs/counts.txt" ]; then
  echo "== generating the inputs of scale $scale in $inputs"
  (cd "$inputs" && rm -f reference.unf variants.true && "$work/tools/bench/make_human_inputs" reference "$scale" > counts.tmp && mv counts.tmp counts.txt)
fi
nvar=$(awk -F', ' '{split($3, a, " "); print a[1]}' "$inputs/counts.txt")
insfill=$(awk -F', ' '{split($7, a, " "); print a[1]}' "$inputs/counts.txt")
if [ ! -f "$inputs/genotypes.$sources.true" ]; then
  (cd "$inputs" && "$work/tools/bench/make_human_inputs" genotypes "$sources" "$nvar" && mv genotypes.true "genotypes.$sources.true")
fi
echo "inputs: $(cat "$inputs/counts.txt"); $sources genotype rows"
echo "fragsim: coverage $coverage per source, $threads thread(s)"

out_file() {  # a read file: real, or a link to /dev/null
  if [ "${TO_DISK:-0}" = 1 ]; then rm -f "$1"; else ln -sf /dev/null "$1"; fi
}


# One run of a fragsim binary in its own directory; prints its row.
run_one() {
  local name=$1 program=$2 dir="run_$1"
  rm -rf "$dir" && mkdir "$dir" && cd "$dir"
  ln -s "$inputs/reference.unf" "$inputs/variants.true" .
  ln -s "$inputs/genotypes.$sources.true" genotypes.true
  printf ' 0 100 300 %d %d 1\nparamsline\nsourcesline\n %d %s 0.001 0.001\n' "$insfill" "$nvar" "$sources" "$coverage" > fragsim.options
  printf 'simulation seed\n 12345\n' > simseed
  for k in $(seq 1 "$sources"); do out_file "source$k.1.fq"; out_file "source$k.2.fq"; done
  cat reference.unf variants.true genotypes.true > /dev/null  # inputs in the page cache for both builds
  local start status=0
  start=$(date +%H:%M:%S.%N | awk -F: '{print $1 * 3600 + $2 * 60 + $3}')
  OMP_NUM_THREADS=$threads /usr/bin/time -v -o time.log "$program" > console.txt || status=$?
  [ "$status" -eq 0 ] || { echo "$name: fragsim ended with status $status" >&2; tail -5 console.txt >&2; exit 1; }
  local bases
  bases=$(grep 'total bases of sequence generated' console.txt | awk '{s += $1} END {print s + 0}')
  wall_times console.txt | awk -v name="$name" -v start="$start" -v bases="$bases" '
    { w[NR] = $1 }
    END {
      # the wall-time lines: after the seed, the map, the variants, the
      # genotypes, and at the end; a start before midnight counts back a day
      if (start > w[1]) start -= 86400
      printf "%s\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.1f", name, w[4] - start, w[1] - start, w[2] - w[1],
             w[3] - w[2], w[4] - w[3], w[5] - w[4], bases / (w[5] - w[4]) / 1e6 }'
  awk -F': ' '/Maximum resident set size/ {rss = $2 / 1048576}
              /Minor \(reclaiming a frame\) page faults/ {minor = $2}
              /System time/ {sys = $2}
              END {printf "\t%.2f\t%d\t%.2f\n", rss, minor, sys}' time.log
  grep -v 'Wall time' console.txt > console.masked
  if [ "${TO_DISK:-0}" = 1 ]; then
    for k in $(seq 1 "$sources"); do md5sum "source$k.1.fq" "source$k.2.fq"; done > reads.md5
    rm -f source*.fq
  fi
  cd ..
}

rows=$(run_one this "$build/fragsim/fragsim")
[ -z "$baseline" ] || rows+=$'\n'$(run_one "$baseline" "$baseline_build/fragsim/fragsim")
{
  printf 'build\tstart-up s\tto map s\tmap s\tvariants s\tgenotypes s\tloop s\tMbases/s\tpeak GiB\tminor faults\tsystem s\n'
  echo "$rows"
} | awk -F'\t' '{printf "%-10s %10s %8s %6s %10s %11s %7s %9s %9s %12s %9s\n", $1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11}'
if [ -n "$baseline" ]; then
  if cmp -s run_this/console.masked "run_$baseline/console.masked"; then
    echo "this tree and $baseline print the same console (wall-time lines aside)"
  else
    echo "this tree and $baseline print DIFFERENT consoles" >&2
    exit 1
  fi
  if [ "${TO_DISK:-0}" = 1 ]; then
    if cmp -s run_this/reads.md5 "run_$baseline/reads.md5"; then
      echo "this tree and $baseline write the same read files"
    else
      echo "this tree and $baseline write DIFFERENT read files" >&2
      exit 1
    fi
  fi
fi
