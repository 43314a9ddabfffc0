#!/usr/bin/env bash
# Builds the three programs (not the tests) in build and runs the bundled
# example in examples/scratch (outside the tracked files), printing each
# program's console output. Missing Debian packages are installed first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/packages.sh install programs
cmake -S . -B build -G Ninja -DBUILD_TESTING=OFF >/dev/null
cmake --build build
scratch=examples/scratch
rm -rf "$scratch"
mkdir -p "$scratch"
cp examples/kmerbank/* "$scratch"/
cd "$scratch"
echo "== kmerbank"
../../build/kmerbank/kmerbank
echo "== flank.ref"
cat flank.ref
echo "== files written"
ls -l

# fragsim: reads of three sources simulated on the map kmerbank just wrote,
# with true variants and genotype rows.
mkdir -p "$root/examples/scratch/fragsim"
cp "$root"/examples/fragsim/* reference.unf "$root/examples/scratch/fragsim"/
cd "$root/examples/scratch/fragsim"
echo "== fragsim"
"$root/build/fragsim/fragsim"
echo "== fastq.filelist"
cat fastq.filelist
echo "== first read pair of source1"
head -4 source1.1.fq
head -4 source1.2.fq

# genocall: a marker list, prior frequencies and a gzip read-depth file.
mkdir -p "$root/examples/scratch/genocall"
cp "$root"/examples/genocall/* "$root/examples/scratch/genocall"/
cd "$root/examples/scratch/genocall"
echo "== genocall"
"$root/build/genocall/genocall" --variant_input_filename variants.txt --frequency_input_filename frequencies.txt \
  --readdepth_input_filename readdepth.txt.gz --vcf_output_filename calls.vcf \
  --write_genotype_probabilities --write_dosage --write_allele_depth
echo "== calls.vcf"
cat calls.vcf
