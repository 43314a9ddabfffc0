#!/usr/bin/env bash
# Fuzz campaign: builds the libFuzzer targets (clang, -DFUZZ=ON) and runs each
# for the given number of seconds (default 300) on its seed corpus, then
# prints per target the executions, the coverage and the crashes found.
# Crashing inputs are kept in build-fuzz/findings/<target>/.
#   bench/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
shift || true
cmake -S . -B build-fuzz -G Ninja -DFUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz >/dev/null
root=$(pwd)/build-fuzz
rm -rf "$root/corpus"
tests/fuzz/make_corpus.sh "$root/corpus"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$root"/tests/fuzz/fuzz_*; do [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi
printf '%-24s %12s %8s %8s %8s\n' target executions cov ft crashes
status=0
for t in "${targets[@]}"; do
  corpus=$root/corpus/$t
  findings=$root/findings/$t
  mkdir -p "$corpus" "$findings"
  log=$root/$t.log
  # -fork keeps the campaign going past a finding; every crash is saved.
  (cd "$root" && timeout $((seconds + 60)) "$root/tests/fuzz/$t" "$corpus" -max_total_time="$seconds" \
    -max_len=65536 -timeout=10 -rss_limit_mb=4096 -fork=1 -ignore_crashes=1 -artifact_prefix="$findings/" \
    >"$log" 2>&1) || true
  execs=$(grep -oE 'exec[s]?: [0-9]+|#[0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || echo 0)
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || echo 0)
  ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || echo 0)
  crashes=$(find "$findings" -type f | wc -l)
  printf '%-24s %12s %8s %8s %8s\n' "$t" "$execs" "$cov" "$ft" "$crashes"
  [ "$crashes" -eq 0 ] || status=1
done
exit $status
