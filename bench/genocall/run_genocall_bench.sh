#!/usr/bin/env bash
# Benchmark of genocall: a generated set of samples x markers (default
# 2,000 x 50,000), all three output flags, plain and gzip read-depth input;
# compared with `bcftools view -Ov` writing the same calls as VCF from a BCF
# made of genocall's own output. Each timed command runs RUNS times (default
# 3) and its median is reported, with its peak memory; the last lines give
# the ratio of genocall's median to that of bcftools view.
# With BASELINE=<git revision> the genocall of that revision is built too and
# timed side by side with this tree's, in the same run, and the VCF files of
# the two are compared byte for byte.
# Data and outputs go to a scratch directory (default /tmp/genocall_bench),
# never into the repository. With OUT=<dir> the timed VCF files are written
# there instead, e.g. OUT=/dev/shm/genocall_bench: the default 2,000 x 50,000
# writes 3.2 GB per run, more than a busy or slow disk takes in the time the
# programs need, so on disk the figures can show the disk's write-back as
# much as the programs; in memory (tmpfs) they show the programs alone.
# Usage: [BASELINE=rev] [RUNS=n] [OUT=dir] bench/genocall/run_genocall_bench.sh [scratch dir] [samples] [markers]
#   The larger case: bench/genocall/run_genocall_bench.sh /tmp/genocall_bench 2000 100000
#   (a 400 MB read-depth file and a 6.5 GB VCF per run; the scratch directory
#   needs about 8 GB free, OUT as much again when it is elsewhere).
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
# The build tools, bcftools, /usr/bin/time, bc, gzip, awk, md5sum.
"$repo/scripts/packages.sh" check bench-genocall
work=${1:-/tmp/genocall_bench}
samples=${2:-2000}
markers=${3:-50000}
runs=${RUNS:-3}
baseline=${BASELINE:-}
build=$work/build
mkdir -p "$work"
work=$(cd "$work" && pwd)

echo "== build (Release)"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target genocall >/dev/null
genocall=$build/genocall/genocall
if [ -n "$baseline" ]; then
  echo "== build of $baseline (Release)"
  rm -rf "$work/baseline-src"
  mkdir -p "$work/baseline-src"
  git -C "$repo" archive "$baseline" | tar -x -C "$work/baseline-src"
  cmake -S "$work/baseline-src" -B "$work/baseline-build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$work/baseline-build" --target genocall >/dev/null
  genocall_baseline=$work/baseline-build/genocall/genocall
fi
cmake -S "$repo" -B "$build" -DBENCH_TOOLS=ON >/dev/null && cmake --build "$build" --target make_genocall_data >/dev/null && cp "$build/bench/make_genocall_data" "$work/"

if [ ! -f "$work/readdepth.txt.gz" ] || [ "$(cat "$work/size" 2>/dev/null)" != "$samples $markers" ]; then
  echo "== data: $samples samples x $markers markers"
  "$work/make_genocall_data" "$work" "$samples" "$markers"
  gzip -1 -c "$work/readdepth.txt" > "$work/readdepth.txt.gz"
  echo "$samples $markers" > "$work/size"
fi
ls -l "$work"/variants.txt "$work"/frequencies.txt "$work"/readdepth.txt "$work"/readdepth.txt.gz

out=${OUT:-$work}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$work"
# Runs a command RUNS times under /usr/bin/time -v, the output file removed
# and the earlier writes flushed (sync) before each run, so that every run
# writes a new file into a page cache in the same state. Prints each run,
# then the median elapsed seconds and the largest peak memory.
# Usage: timed label output-file command...
timed() {
  local label=$1 output=$2; shift 2
  local i seconds kib all=() peak=0
  for ((i = 1; i <= runs; i++)); do
    rm -f "$output"; sync
    /usr/bin/time -v "$@" > "$work/$label.stdout" 2> "$work/$label.time"
    seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,t,":"); s=0; for(i=1;i<=n;i++) s=s*60+t[i]; print s}' "$work/$label.time")
    kib=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/$label.time")
    all+=("$seconds")
    if [ "$kib" -gt "$peak" ]; then peak=$kib; fi
  done
  local median
  median=$(printf '%s\n' "${all[@]}" | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}')
  printf '%-26s median %7.2f s of %s  peak %8.1f MiB\n' "$label" "$median" "${all[*]}" "$(echo "$peak / 1024" | bc -l)"
  echo "$median" > "$work/$label.seconds"
  echo "$peak" > "$work/$label.kib"
}

flags=(--write_genotype_probabilities --write_dosage --write_allele_depth)
files=(--variant_input_filename variants.txt --frequency_input_filename frequencies.txt --vcf_output_filename)

echo "== load before the runs: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) on $(nproc) cores"
echo "== runs (median of $runs), VCF files written to $out"
timed genocall_plain "$out/calls.vcf" "$genocall" "${files[@]}" "$out/calls.vcf" --readdepth_input_filename readdepth.txt "${flags[@]}"
plain_sum=$(md5sum < "$out/calls.vcf")
plain_size=$(stat -c %s "$out/calls.vcf")
# BCF needs every contig in the header; genocall's meta lines name none,
# so the conversion adds one ##contig line per chromosome of the markers.
rm -f calls.bcf
awk 'NR == FNR { if (FNR > 1) seen[$1] = 1; next }
     FNR == 2 { for (c in seen) print "##contig=<ID=" c ">" }
     { print }' variants.txt "$out/calls.vcf" | bcftools view -Ob -o calls.bcf - 2> bcftools_convert.log
rm -f "$out/calls.vcf"
if [ -n "$baseline" ]; then
  timed genocall_plain_baseline "$out/calls_baseline.vcf" "$genocall_baseline" "${files[@]}" "$out/calls_baseline.vcf" \
    --readdepth_input_filename readdepth.txt "${flags[@]}"
  if [ "$(md5sum < "$out/calls_baseline.vcf")" = "$plain_sum" ]; then
    echo "this tree and $baseline write the same VCF"
  else
    echo "this tree and $baseline write DIFFERENT VCF files" >&2
    exit 1
  fi
  rm -f "$out/calls_baseline.vcf"
fi
timed genocall_gzip "$out/calls_gz.vcf" "$genocall" "${files[@]}" "$out/calls_gz.vcf" --readdepth_input_filename readdepth.txt.gz "${flags[@]}"
[ "$(md5sum < "$out/calls_gz.vcf")" = "$plain_sum" ] && echo "plain and gzip input give the same VCF"
rm -f "$out/calls_gz.vcf"
if [ -n "$baseline" ]; then
  timed genocall_gzip_baseline "$out/calls_gz_baseline.vcf" "$genocall_baseline" "${files[@]}" "$out/calls_gz_baseline.vcf" \
    --readdepth_input_filename readdepth.txt.gz "${flags[@]}"
  rm -f "$out/calls_gz_baseline.vcf"
fi
timed bcftools_view "$out/view.vcf" bcftools view -Ov -o "$out/view.vcf" calls.bcf
echo "VCF bytes: genocall $plain_size, bcftools view $(stat -c %s "$out/view.vcf"), BCF $(stat -c %s calls.bcf)"
rm -f "$out/view.vcf"
echo "== load after the runs: $(cut -d' ' -f1-3 /proc/loadavg)"

counts_mib=$(echo "$samples * 2 * $markers / 1048576" | bc -l)
printf 'counts held: %.1f MiB; memory target: %.1f MiB\n' "$counts_mib" "$(echo "$counts_mib + 64" | bc -l)"
ratio() { printf 'ratio %-28s / bcftools view: %.3f\n' "$1" "$(echo "$(cat "$1.seconds") / $(cat bcftools_view.seconds)" | bc -l)"; }
ratio genocall_plain
ratio genocall_gzip
if [ -n "$baseline" ]; then
  ratio genocall_plain_baseline
  ratio genocall_gzip_baseline
fi
