#!/usr/bin/env bash
# Fuzz campaign: builds the libFuzzer targets (clang, -DFUZZ=ON) and runs each
# for the given number of seconds (default 300) on its seed corpus, then
# prints per target the executions, the coverage and the crashes found.
# Crashing inputs are kept in build-fuzz/findings/<target>/; the corpus grown
# by a run stays in build-fuzz/corpus/<target>/ (rebuilt from the seeds and
# regressions at every start).
#   tests/fuzz/fuzz.sh [seconds] [target...]
# FUZZ_JOBS=n runs n targets at a time (default 1); the machine is shared.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/packages.sh check fuzz  # clang, libclang-rt-dev, libomp-dev and the build tools
seconds=${1:-300}
shift || true
jobs=${FUZZ_JOBS:-1}
cmake -S . -B build-fuzz -G Ninja -DFUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz >/dev/null
root=$(pwd)/build-fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$root"/tests/fuzz/fuzz_*; do [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi
rm -rf "$root/seeds"
tests/fuzz/make_corpus.sh "$root/seeds"

# Flags of their own: the parser's messages on standard error are dropped.
extra_flags() {
  case $1 in
    fuzz_genocall_options) echo -close_fd_mask=2 ;;
  esac
}
asan_options() {
  echo detect_leaks=1
}

run_one() {
  local t=$1 corpus=$root/corpus/$1 findings=$root/findings/$1
  rm -rf "$findings"
  mkdir -p "$corpus" "$findings"
  cp "$root/seeds/$t"/* "$corpus"/ 2>/dev/null || true
  # -fork keeps the campaign going past a finding; every crash is saved.
  # Lengths in the inputs drive allocations: memory is bounded per run. The
  # parallel loops run on one thread: a team per input would only wait.
  (cd "$root" && ASAN_OPTIONS=$(asan_options "$t") OMP_NUM_THREADS=1 timeout $((seconds + 120)) "$root/tests/fuzz/$t" "$corpus" -max_total_time="$seconds" \
    -max_len=65536 -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 -fork=1 -ignore_crashes=1 \
    -ignore_ooms=0 -ignore_timeouts=0 -artifact_prefix="$findings/" $(extra_flags "$t") \
    >"$root/$t.log" 2>&1) || true
}

running=0
for t in "${targets[@]}"; do
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait || true

printf '%-24s %12s %8s %8s %8s\n' target executions cov ft crashes
status=0
for t in "${targets[@]}"; do
  log=$root/$t.log
  execs=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#' || true)
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || true)
  ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || true)
  crashes=$(find "$root/findings/$t" -type f | wc -l)
  printf '%-24s %12s %8s %8s %8s\n' "$t" "${execs:-0}" "${cov:-0}" "${ft:-0}" "$crashes"
  [ "$crashes" -eq 0 ] || status=1
done
exit $status
