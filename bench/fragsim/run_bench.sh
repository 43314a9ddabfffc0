#!/usr/bin/env bash
# Times fragsim against the Debian peers dwgsim and art_illumina on the same
# work: a synthetic 50 Mb reference, 100 bp reads from 300 bp fragments, 10x
# coverage per sample, FASTQ output. fragsim runs with true SNPs, insertions
# and deletions and genotype rows, once with 1 source on 1 thread and once
# with 16 sources on 8 threads. Read files go to /dev/null (symbolic links),
# so the figures are simulation and formatting, not disk speed; set
# TO_DISK=1 to write real files instead.
#
# usage: bench/fragsim/run_bench.sh <build dir> [work dir]
#   COVERAGE (10), PEER_COVERAGE (10), LENGTH (50000000) in the environment.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
"$repo/scripts/packages.sh" check bench-fragsim  # the build tools, awk, dwgsim, art_illumina
build=$(cd "${1:-$repo/build}" && pwd)
[ -x "$build/fragsim/fragsim" ] || { echo "no $build/fragsim/fragsim: build first (./run-tests.sh or examples/run.sh)" >&2; exit 1; }
work=${2:-/tmp/fragsim-bench}
coverage=${COVERAGE:-10}
peer_coverage=${PEER_COVERAGE:-10}
length=${LENGTH:-50000000}
mkdir -p "$work"
cd "$work"

# The input generator, built in a tree of its own below the work directory.
cmake -S "$repo" -B tools -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBENCH_TOOLS=ON >/dev/null
cmake --build tools --target make_reference >/dev/null
[ -f reference.unf ] || tools/bench/make_reference "$length" 16
totlen=$(awk '!/^>/ {n += length($0)} END {print n}' reference.fa)

out_file() {  # a read file: real, or a link to /dev/null
    if [ "${TO_DISK:-0}" = 1 ]; then rm -f "$1"; else ln -sf /dev/null "$1"; fi
}

# seconds between the last two wall-time lines of a fragsim console (the source loop)
loop_seconds() {
    grep 'Wall time' "$1" | tail -2 |
        awk '{s[NR] = ($(NF-3) + 0) * 3600 + ($(NF-2) + 0) * 60 + ($(NF-1) + 0) + $NF / 1000} END {printf "%.3f", s[2] - s[1]}'
}

run_fragsim() {
    local sources=$1 threads=$2 dir="fragsim_${1}s_${2}t"
    rm -rf "$dir" && mkdir "$dir" && cd "$dir"
    ln -s ../reference.unf ../variants.true ../genotypes.true .
    printf ' 0 100 300 20000 60000 1\nparamsline\nsourcesline\n %d %s 0.001 0.001\n' "$sources" "$coverage" > fragsim.options
    printf 'simulation seed\n 12345\n' > simseed
    for k in $(seq 1 "$sources"); do out_file "source$k.1.fq"; out_file "source$k.2.fq"; done
    local t0 t1
    t0=$(date +%s.%N)
    OMP_NUM_THREADS=$threads "$build/fragsim/fragsim" > console.txt
    t1=$(date +%s.%N)
    local bases loop
    bases=$(grep 'total bases of sequence generated' console.txt | awk '{s += $1} END {print s}')
    loop=$(loop_seconds console.txt)
    awk -v b="$bases" -v t0="$t0" -v t1="$t1" -v loop="$loop" -v th="$threads" -v s="$sources" 'BEGIN {
        w = t1 - t0
        printf "fragsim %2d sources %d threads: %.0f bases, whole run %.2f s, source loop %.2f s: %.1f Mbases/s (%.1f per thread)\n",
               s, th, b, w, loop, b / loop / 1e6, b / loop / 1e6 / th }'
    cd ..
}

run_dwgsim() {
    local pairs=$1
    rm -rf dwgsim && mkdir dwgsim && cd dwgsim
    out_file out.bwa.read1.fastq; out_file out.bwa.read2.fastq
    local t0 t1
    t0=$(date +%s.%N)
    dwgsim -N "$pairs" -1 100 -2 100 -d 300 -s 30 -e 0.001 -E 0.001 -r 0.001 -y 0 -o 1 -z 1 ../reference.fa out > console.txt 2>&1
    t1=$(date +%s.%N)
    awk -v b="$((pairs * 200))" -v t0="$t0" -v t1="$t1" 'BEGIN {
        printf "dwgsim   1 sample  1 thread : %.0f bases, %.2f s: %.1f Mbases/s\n", b, t1 - t0, b / (t1 - t0) / 1e6 }'
    cd ..
}

run_art() {
    local fold=$1
    rm -rf art && mkdir art && cd art
    out_file out1.fq; out_file out2.fq
    local t0 t1
    t0=$(date +%s.%N)
    art_illumina -ss HS25 -i ../reference.fa -p -l 100 -f "$fold" -m 300 -s 30 -na -rs 1 -o out > console.txt 2>&1
    t1=$(date +%s.%N)
    local pairs
    pairs=$(awk '/^@/ {n++} END {print n}' out1.fq 2>/dev/null || echo 0)
    if [ "${TO_DISK:-0}" != 1 ]; then  # the links hide the count: coverage by definition
        pairs=$(awk -v t="$totlen" -v f="$fold" 'BEGIN {printf "%d", t * f / 200}')
    fi
    awk -v b="$((pairs * 200))" -v t0="$t0" -v t1="$t1" 'BEGIN {
        printf "art_illumina 1 sample 1 thread: about %.0f bases, %.2f s: %.1f Mbases/s\n", b, t1 - t0, b / (t1 - t0) / 1e6 }'
    cd ..
}

echo "reference: $totlen bases; fragsim coverage ${coverage}x per source, peers ${peer_coverage}x"
run_fragsim 1 1
run_fragsim 16 8
run_dwgsim "$(awk -v t="$totlen" -v c="$peer_coverage" 'BEGIN {printf "%d", t * c / 200}')"
run_art "$peer_coverage"
