#!/usr/bin/env bash
# Runs fragsim on the benchmark inputs (made by run_bench.sh in the work
# directory) with 16 sources, FASTQ and binary read files, for 1, 3 and 8
# threads, and compares every read file byte for byte.
#
# usage: bench/fragsim/check_threads.sh <build dir> [work dir]   (COVERAGE, default 0.5)
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
"$repo/scripts/packages.sh" check bench-fragsim-threads  # cmp, du
build=$(cd "${1:-$repo/build}" && pwd)
[ -x "$build/fragsim/fragsim" ] || { echo "no $build/fragsim/fragsim: build first (./run-tests.sh or examples/run.sh)" >&2; exit 1; }
work=${2:-/tmp/fragsim-bench}
coverage=${COVERAGE:-0.5}
[ -f "$work/reference.unf" ] || { echo "no $work/reference.unf: run bench/fragsim/run_bench.sh first (it makes the inputs)" >&2; exit 1; }
cd "$work"
for threads in 1 3 8; do
    dir=threads_$threads
    rm -rf "$dir" && mkdir "$dir"
    (cd "$dir" && ln -s ../reference.unf ../variants.true ../genotypes.true . &&
        printf ' 0 100 300 20000 60000 2\nparamsline\nsourcesline\n 16 %s 0.01 0.01\n' "$coverage" > fragsim.options &&
        printf 'simulation seed\n 2024\n' > simseed &&
        OMP_NUM_THREADS=$threads "$build/fragsim/fragsim" > console.txt)
done
status=0
for f in threads_1/source*; do
    name=${f#threads_1/}
    for threads in 3 8; do
        cmp -s "$f" "threads_$threads/$name" || { echo "differs: $name with $threads threads"; status=1; }
    done
done
echo "$(ls threads_1/source* | wc -l) read files, $(du -shc threads_1/source* | tail -1 | cut -f1) per run: $([ $status = 0 ] && echo identical for 1, 3 and 8 threads || echo DIFFERENT)"
exit $status
