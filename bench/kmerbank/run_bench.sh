#!/usr/bin/env bash
# Times one whole kmerbank run on a synthetic reference of about 100 Mb, with
# its peak memory and the time of the hash table phase per k-mer, and, in the
# same run, the baseline of reading reference.fa and writing a file of the
# size of reference.unf.
#
# usage: bench/kmerbank/run_bench.sh [--human] [BUILD_DIR] [WORK_DIR] [TOTAL_MB]
#   --human    a human-sized reference instead: 24 chromosomes of the lengths
#              of GRCh38, 3.09 Gb (WORK_DIR default /tmp/kmerbank-bench-human;
#              the run needs about 9 GiB of memory and 10 GB of disk)
#   BUILD_DIR  a Release build holding kmerbank/kmerbank (default: build)
#   WORK_DIR   where the inputs and outputs go (default: /tmp/kmerbank-bench);
#              the inputs are generated there when missing
#   TOTAL_MB   size of the five chromosomes of the reference (default: 100)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
"$root/scripts/packages.sh" check bench-kmerbank  # python3, /usr/bin/time
size=100
default_work=/tmp/kmerbank-bench
if [ "${1:-}" = --human ]; then
  size=human
  default_work=/tmp/kmerbank-bench-human
  shift
fi
build=$(cd "${1:-$root/build}" && pwd)
work=${2:-$default_work}
[ "$size" = human ] || size=${3:-100}
program=$build/kmerbank/kmerbank
[ -x "$program" ] || { echo "no $program: build first (cmake --build $build)"; exit 1; }

if [ ! -f "$work/reference.fa" ]; then
  echo "generating inputs in $work"
  python3 "$here/make_inputs.py" "$work" "$size"
fi
cd "$work"
rm -f reference.unf kmerbank.unf flank.ref baseline.unf console.fifo
cat reference.fa > /dev/null  # both runs start with the FASTA file in the page cache
sync                          # and with no earlier writes waiting to go to disk

# The kmerbank run: console lines stamped on arrival, peak memory by time -v.
mkfifo console.fifo
python3 "$here/stamp_lines.py" console.fifo > console.log &
stamper=$!
sleep 1
status=0
/usr/bin/time -v -o time.log "$program" > console.fifo || status=$?
wait "$stamper"
rm -f console.fifo
[ "$status" -eq 0 ] || { echo "kmerbank ended with status $status"; tail -5 console.log; exit 1; }

# Baseline: read the FASTA file, write a file of the size of reference.unf.
unf_size=$(stat -c %s reference.unf)
cat reference.fa > /dev/null
sync
t0=$(date +%s.%N)
cat reference.fa > /dev/null
head -c "$unf_size" /dev/zero > baseline.unf
t1=$(date +%s.%N)
rm -f baseline.unf

python3 - "$t0" "$t1" "$unf_size" <<'PY'
import datetime, os, re, sys
t0, t1, unf_size = float(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3])
lines = [l.rstrip("\n").split("\t", 1) for l in open("console.log")]
stamp = lambda pattern: next(float(t) for t, text in lines if re.search(pattern, text))
walls = [float(t) for t, text in lines if text.startswith(" Wall time: ")]
walls_text = [text for t, text in lines if text.startswith(" Wall time: ")]

def clock(text):  # " Wall time: MM-DD-YYYY  HHh MMm SSs mmm" -> seconds of the day
    h, m, s, ms = re.search(r"(\d+)h (\d+)m (\d+)s (\d+)", text).groups()
    return int(h) * 3600 + int(m) * 60 + int(s) + int(ms) / 1000

elapsed = peak = None
for l in open("time.log"):
    if "Elapsed (wall clock)" in l:
        parts = l.rsplit(" ", 1)[1].strip().split(":")
        elapsed = sum(float(x) * 60 ** i for i, x in enumerate(reversed(parts)))
    if "Maximum resident set size" in l:
        peak = int(l.rsplit(" ", 1)[1]) / 1024

# The reference phase runs from the first wall-time line (printed right before
# "Read reference.fa") to the last write of reference.unf, its file time.
written = datetime.datetime.fromtimestamp(os.stat("reference.unf").st_mtime)
unf_written = written.hour * 3600 + written.minute * 60 + written.second + written.microsecond / 1e6
reference = unf_written - clock(walls_text[0])
baseline = t1 - t0
print("kmerbank run, %s" % open("/proc/cpuinfo").read().split("model name")[1].split(":")[1].split("\n")[0].strip())
# The k-mers the table holds at the end: its keys (the last count line) and
# its duplicate entries.
counts = lambda pattern: [int(text.split()[0]) for t, text in lines if re.search(pattern, text)]
held = counts(r"k-mers stored in hash table")[-1] + counts(r"duplicate k-mers stored")[0]
hash_phase = clock(walls_text[2]) - clock(walls_text[1])
print("  wall time of the whole run          %8.2f s" % elapsed)
print("  peak memory (maximum resident set)  %8.0f MiB" % peak)
print("  reference and variant phases        %8.2f s  (wall-time lines 1-2: %.3f s)" %
      (walls[1] - walls[0], clock(walls_text[1]) - clock(walls_text[0])))
print("    of which the reference phase      %8.2f s  (first wall-time line to the time of reference.unf)" % reference)
print("      reading reference.fa            %8.2f s  (\"Read reference.fa\" to the sections line)" %
      (stamp(r"sections of reference read") - stamp(r"^ Read reference\.fa$")))
print("      copy to ALTERNATE and fold      %8.2f s  (sections line to the three counts)" %
      (stamp(r"unknown N or n bases in map") - stamp(r"sections of reference read")))
print("  hash table phase                    %8.2f s  (wall-time lines 2-3: %.3f s)" %
      (walls[2] - walls[1], hash_phase))
print("    per k-mer held                    %8.0f ns (%d keys and duplicate entries)" % (hash_phase / held * 1e9, held))
print("    reference pass                    %8.2f s" %
      (stamp(r"k-mers stored in hash table from reference map") - walls[1]))
print("    alternate pass                    %8.2f s" %
      (stamp(r"after adding alternate alleles") - stamp(r"duplicate k-mers stored")))
print("    kmerbank.unf                      %8.2f s" % (walls[2] - stamp(r"Write map hash table")))
print("  baseline: cat reference.fa, write %d bytes  %.2f s" % (unf_size, baseline))
print("  reference phase / baseline          %8.2f   (target: at most 2)" % (reference / baseline))
for t, text in lines:
    if re.search(r"k-mers|total length|lower case|unknown", text):
        print("  |" + text)
PY
