#!/usr/bin/env bash
# Times fragsim against the Debian peers dwgsim, art_illumina and
# mason_simulator on the same work: a synthetic 50 Mb reference, 100 bp reads
# from 300 bp fragments, 10x coverage per sample, FASTQ output. fragsim runs
# with true SNPs, insertions and deletions and genotype rows:
#   - 1 source on 1 thread, read files to /dev/null (symbolic links), so the
#     figure is simulation and formatting, not disk speed; the peers likewise;
#   - 8 and 16 sources on 8 threads writing real files (DISK_COVERAGE per
#     source), each run and the sync of its files timed, beside dd writing as
#     many bytes with conv=fdatasync in the same directory: fragsim's speed as
#     a fraction of the disk's.
# With BASELINE=<rev> that revision is built too (its sources by git archive
# into the work directory) and every fragsim figure is measured for both
# builds side by side, runs alternating. Each fragsim and dd figure is the
# median of RUNS runs, each peer's of PEER_RUNS (slow: dwgsim writes gzip).
# The machine's load and the stream generator path are printed first:
# figures on a busy machine are slower and noisier.
#
# usage: [BASELINE=<rev>] bench/fragsim/run_bench.sh <build dir> [work dir]
#   COVERAGE (10), PEER_COVERAGE (10), DISK_COVERAGE (2), LENGTH (50000000),
#   RUNS (3), PEER_RUNS (1), PEERS (1; 0 leaves the peers out), DISK (1; 0
#   leaves the real-file runs out) in the environment.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
. "$repo/bench/fragsim/bench_common.sh"
"$repo/scripts/packages.sh" check bench-fragsim  # the build tools, awk, dd, sync, git, tar and the peers
mason=/usr/lib/seqan/bin/mason_simulator  # Debian's seqan-apps keeps it off the path
build=$(cd "${1:-$repo/build}" && pwd)
[ -x "$build/fragsim/fragsim" ] || { echo "no $build/fragsim/fragsim: build first (./run-tests.sh or examples/run.sh)" >&2; exit 1; }
work=${2:-/tmp/fragsim-bench}
coverage=${COVERAGE:-10}
peer_coverage=${PEER_COVERAGE:-10}
disk_coverage=${DISK_COVERAGE:-2}
length=${LENGTH:-50000000}
runs=${RUNS:-3}
mkdir -p "$work"
work=$(cd "$work" && pwd)
cd "$work"

# The input generator and the stream benchmark, built in a tree of their own
# below the work directory (made again when it belongs to another checkout).
if [ -f tools/CMakeCache.txt ] && ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$repo" tools/CMakeCache.txt; then rm -rf tools; fi
cmake -S "$repo" -B tools -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBENCH_TOOLS=ON >/dev/null
cmake --build tools --target make_reference stream_bench >/dev/null
[ -f reference.unf ] || tools/bench/make_reference "$length" 16
totlen=$(awk '!/^>/ {n += length($0)} END {print n}' reference.fa)

# The baseline build: the revision's sources, built once per revision.
builds=("$build")
names=(this)
if [ -n "${BASELINE:-}" ]; then
    builds+=("$(build_revision "$repo" "$BASELINE" "$work")")
    names+=("${BASELINE}")
fi

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
now() { date +%s.%N; }

out_file() {  # a read file: real (removed first), or a link to /dev/null
    if [ "$2" = disk ]; then rm -f "$1"; else ln -sf /dev/null "$1"; fi
}

# seconds between the last two wall-time lines of a fragsim console (the source loop)
loop_seconds() {
    wall_times "$1" | tail -2 | awk '{s[NR] = $1} END {printf "%.3f", s[2] - s[1]}'
}

# One fragsim run: build, sources, threads, coverage, null|disk. Prints
# "bases loop-seconds whole-seconds bytes" (whole: the run and, on disk, the
# sync of its files).
fragsim_once() {
    local bin=$1 sources=$2 threads=$3 cov=$4 where=$5 dir="fragsim_run"
    rm -rf "$dir" && mkdir "$dir" && cd "$dir"
    ln -s ../reference.unf ../variants.true ../genotypes.true .
    printf ' 0 100 300 20000 60000 1\nparamsline\nsourcesline\n %d %s 0.001 0.001\n' "$sources" "$cov" > fragsim.options
    printf 'simulation seed\n 12345\n' > simseed
    for k in $(seq 1 "$sources"); do out_file "source$k.1.fq" "$where"; out_file "source$k.2.fq" "$where"; done
    local t0 t1 bytes=0
    t0=$(now)
    OMP_NUM_THREADS=$threads "$bin/fragsim/fragsim" > console.txt
    if [ "$where" = disk ]; then sync source*.fq; fi
    t1=$(now)
    if [ "$where" = disk ]; then bytes=$(cat source*.fq | wc -c); fi
    local bases
    bases=$(grep 'total bases of sequence generated' console.txt | awk '{s += $1} END {print s}')
    echo "$bases $(loop_seconds console.txt) $(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f", b - a}') $bytes"
    cd ..
    rm -rf "$dir"
}

# fragsim on every build, RUNS rounds alternating between the builds; one
# line per build with the medians.
run_fragsim() {
    local sources=$1 threads=$2 cov=$3 where=$4
    local i b
    declare -A results
    for ((i = 0; i < runs; i++)); do
        for b in "${!builds[@]}"; do results[$b]+="$(fragsim_once "${builds[$b]}" "$sources" "$threads" "$cov" "$where")"$'\n'; done
    done
    for b in "${!builds[@]}"; do
        local rows loop whole bases bytes
        rows=${results[$b]}
        bases=$(printf '%s' "$rows" | awk 'NR == 1 {print $1}')
        bytes=$(printf '%s' "$rows" | awk 'NR == 1 {print $4}')
        loop=$(printf '%s' "$rows" | awk '{print $2}' | median)
        whole=$(printf '%s' "$rows" | awk '{print $3}' | median)
        if [ "$where" = disk ]; then
            local dd_s
            dd_s=$(dd_seconds "$bytes")
            awk -v n="${names[$b]}" -v b="$bases" -v w="$whole" -v l="$loop" -v s="$sources" -v th="$threads" \
                -v by="$bytes" -v d="$dd_s" 'BEGIN {
                printf "fragsim %-8s %2d sources %d threads, real files: %.0f bases, %.2f GB, run and sync %.2f s (source loop %.2f s): %.0f MB/s; dd conv=fdatasync %.2f s: %.0f MB/s; fragsim %.0f %% of dd\n",
                       n, s, th, b, by / 1e9, w, l, by / w / 1e6, d, by / d / 1e6, 100 * d / w }'
        else
            awk -v n="${names[$b]}" -v b="$bases" -v w="$whole" -v l="$loop" -v s="$sources" -v th="$threads" 'BEGIN {
                printf "fragsim %-8s %2d sources %d thread%s: %.0f bases, whole run %.2f s, source loop %.2f s: %.1f Mbases/s (%.1f per thread)\n",
                       n, s, th, (th > 1 ? "s" : ""), b, w, l, b / l / 1e6, b / l / 1e6 / th }'
        fi
    done
}

# dd writing the given bytes with a final fdatasync, median seconds.
dd_seconds() {
    local bytes=$1 i
    for ((i = 0; i < runs; i++)); do
        rm -f dd.out
        local t0 t1
        t0=$(now)
        dd if=/dev/zero of=dd.out bs=1M count=$(((bytes + 1048575) / 1048576)) conv=fdatasync status=none
        t1=$(now)
        awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f\n", b - a}'
    done | median
    rm -f dd.out
}

# A peer, PEER_RUNS times: name, bases, command...; prints the median.
run_peer() {
    local name=$1 bases=$2 i
    shift 2
    for ((i = 0; i < ${PEER_RUNS:-1}; i++)); do
        rm -rf peer && mkdir peer && cd peer
        for f in out.bwa.read1.fastq out.bwa.read2.fastq out1.fq out2.fq left.fq right.fq; do ln -sf /dev/null "$f"; done
        local t0 t1
        t0=$(now)
        "$@" > console.txt 2>&1
        t1=$(now)
        cd ..
        awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f\n", b - a}'
    done | median | awk -v n="$name" -v b="$bases" '{printf "%-34s about %.0f bases, %.2f s: %.1f Mbases/s\n", n, b, $1, b / $1 / 1e6}'
    rm -rf peer
}

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); stream generator: $(tools/bench/stream_bench 65536 65536 | awk 'NR == 1 {print $NF}')"
echo "reference: $totlen bases; fragsim coverage ${coverage}x per source, peers ${peer_coverage}x, real files ${disk_coverage}x per source; medians of $runs (peers ${PEER_RUNS:-1})"
run_fragsim 1 1 "$coverage" null
if [ "${PEERS:-1}" = 1 ]; then
    pairs=$(awk -v t="$totlen" -v c="$peer_coverage" 'BEGIN {printf "%d", t * c / 200}')
    # dwgsim of Debian writes its FASTQ files gzip-compressed (next to the
    # links), so its time includes the compression.
    run_peer "dwgsim 1 thread:" $((pairs * 200)) \
        dwgsim -N "$pairs" -1 100 -2 100 -d 300 -s 30 -e 0.001 -E 0.001 -r 0.001 -y 0 -o 1 -z 1 ../reference.fa out
    run_peer "art_illumina 1 thread:" $((pairs * 200)) \
        art_illumina -ss HS25 -i ../reference.fa -p -l 100 -f "$peer_coverage" -m 300 -s 30 -na -rs 1 -o out
    for threads in 1 8; do
        run_peer "mason_simulator $threads thread$([ "$threads" = 1 ] || echo s):" $((pairs * 200)) \
            "$mason" -ir ../reference.fa -n "$pairs" -o left.fq -or right.fq --illumina-read-length 100 \
            --fragment-mean-size 300 --fragment-size-std-dev 30 --seed 1 --num-threads "$threads"
    done
fi
if [ "${DISK:-1}" = 1 ]; then
    run_fragsim 8 8 "$disk_coverage" disk
    run_fragsim 16 8 "$disk_coverage" disk
fi
