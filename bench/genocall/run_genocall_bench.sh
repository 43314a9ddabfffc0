#!/usr/bin/env bash
# Benchmark of genocall: 2,000 samples x 50,000 markers, all three output
# flags, plain and gzip read-depth input; compared with `bcftools view -Ov`
# writing the same calls as VCF from a BCF made of genocall's own output.
# Data and outputs go to a scratch directory (default /tmp/genocall_bench),
# never into the repository.
# Usage: bench/genocall/run_genocall_bench.sh [scratch dir] [samples] [markers]
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
# The build tools, bcftools, /usr/bin/time, bc, gzip, awk, md5sum.
"$repo/scripts/packages.sh" check bench-genocall
work=${1:-/tmp/genocall_bench}
samples=${2:-2000}
markers=${3:-50000}
build=$work/build
mkdir -p "$work"

echo "== build (Release)"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target genocall >/dev/null
genocall=$build/genocall/genocall
cmake -S "$repo" -B "$build" -DBENCH_TOOLS=ON >/dev/null && cmake --build "$build" --target make_genocall_data >/dev/null && cp "$build/bench/make_genocall_data" "$work/"

if [ ! -f "$work/readdepth.txt.gz" ] || [ "$(cat "$work/size" 2>/dev/null)" != "$samples $markers" ]; then
  echo "== data: $samples samples x $markers markers"
  "$work/make_genocall_data" "$work" "$samples" "$markers"
  gzip -1 -c "$work/readdepth.txt" > "$work/readdepth.txt.gz"
  echo "$samples $markers" > "$work/size"
fi
ls -l "$work"/variants.txt "$work"/frequencies.txt "$work"/readdepth.txt "$work"/readdepth.txt.gz

cd "$work"
# Runs a command under /usr/bin/time -v; prints elapsed seconds and peak memory.
timed() {
  local label=$1; shift
  /usr/bin/time -v "$@" > "$work/$label.stdout" 2> "$work/$label.time"
  local seconds kib
  seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,t,":"); s=0; for(i=1;i<=n;i++) s=s*60+t[i]; print s}' "$work/$label.time")
  kib=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/$label.time")
  printf '%-22s %8.2f s  peak %8.1f MiB\n' "$label" "$seconds" "$(echo "$kib / 1024" | bc -l)"
  echo "$seconds" > "$work/$label.seconds"
}

flags=(--write_genotype_probabilities --write_dosage --write_allele_depth)
files=(--variant_input_filename variants.txt --frequency_input_filename frequencies.txt --vcf_output_filename)

echo "== runs"
# Each timed run writes a new file into a page cache in the same state: the
# earlier outputs are removed and written back (sync) before it starts.
settle() { rm -f "$@"; sync; }
settle calls.vcf calls_gz.vcf view.vcf calls.bcf
timed genocall_plain "$genocall" "${files[@]}" calls.vcf --readdepth_input_filename readdepth.txt "${flags[@]}"
plain_sum=$(md5sum < calls.vcf)
plain_size=$(stat -c %s calls.vcf)
# BCF needs every contig in the header; genocall's meta lines name none,
# so the conversion adds one ##contig line per chromosome of the markers.
awk 'NR == FNR { if (FNR > 1) seen[$1] = 1; next }
     FNR == 2 { for (c in seen) print "##contig=<ID=" c ">" }
     { print }' variants.txt calls.vcf | bcftools view -Ob -o calls.bcf - 2> bcftools_convert.log
settle calls.vcf
timed genocall_gzip "$genocall" "${files[@]}" calls_gz.vcf --readdepth_input_filename readdepth.txt.gz "${flags[@]}"
[ "$(md5sum < calls_gz.vcf)" = "$plain_sum" ] && echo "plain and gzip input give the same VCF"
settle calls_gz.vcf
timed bcftools_view bcftools view -Ov -o view.vcf calls.bcf
echo "VCF bytes: genocall $plain_size, bcftools view $(stat -c %s view.vcf), BCF $(stat -c %s calls.bcf)"
settle view.vcf

counts_mib=$(echo "$samples * 2 * $markers / 1048576" | bc -l)
printf 'counts held: %.1f MiB; memory target: %.1f MiB\n' "$counts_mib" "$(echo "$counts_mib + 64" | bc -l)"
printf 'ratio genocall (plain) / bcftools view: %.3f\n' "$(echo "$(cat genocall_plain.seconds) / $(cat bcftools_view.seconds)" | bc -l)"
printf 'ratio genocall (gzip)  / bcftools view: %.3f\n' "$(echo "$(cat genocall_gzip.seconds) / $(cat bcftools_view.seconds)" | bc -l)"
