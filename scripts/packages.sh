#!/usr/bin/env bash
# The Debian packages that each job of this repository needs: finds which of
# the job's tools are missing and installs their packages, or names them.
#
#   scripts/packages.sh install JOB...  installs the packages of the missing
#       tools with apt-get, non-interactively and without recommended
#       packages; nothing is missing: prints nothing. Not run as root: prints
#       the apt-get line to run as root and ends with status 1.
#   scripts/packages.sh check JOB...    names each missing tool and its
#       package and ends with status 1; never installs.
#
# Jobs: programs (build kmerbank, fragsim and genocall), tests (build and run
# the tests), fuzz (tests/fuzz/fuzz.sh), tsan (the thread-sanitizer build),
# format (scripts/check-format.sh), ci
# (everything .ci/run does), bench-kmerbank, bench-fragsim,
# bench-fragsim-threads, bench-fragsim-genome, bench-genocall (the scripts
# under bench/).
#
# A tool counts as present when the command or file is there, however it was
# installed; the package named is the Debian package that provides it.
set -euo pipefail

usage() {
  echo "usage: $0 install|check JOB...   (jobs: programs tests fuzz tsan format ci bench-kmerbank bench-fragsim bench-fragsim-threads bench-fragsim-genome bench-genocall)" >&2
  exit 2
}

# The tools of a job, by the names tool_present and tool_package know.
job_tools() {
  case $1 in
    programs) echo g++ cmake ninja zlib.h ;;
    tests) echo "$(job_tools programs)" gtest.h ;;
    fuzz) echo cmake ninja zlib.h clang libFuzzer libomp gzip awk ;;
    tsan) echo "$(job_tools tests)" clang libomp libarcher ;;
    format) echo git clang-format-14 ;;
    ci) echo "$(job_tools tests)" "$(job_tools fuzz)" "$(job_tools tsan)" "$(job_tools format)" ;;
    bench-kmerbank) echo python3 /usr/bin/time ;;
    bench-fragsim) echo "$(job_tools programs)" awk dd sync git tar dwgsim art_illumina /usr/lib/seqan/bin/mason_simulator ;;
    bench-fragsim-threads) echo cmp du ;;
    bench-fragsim-genome) echo "$(job_tools programs)" /usr/bin/time awk cmp md5sum git ;;
    bench-genocall) echo "$(job_tools programs)" bcftools /usr/bin/time bc gzip awk md5sum ;;
  esac
}

# Libraries are found by their files in the places the Debian packages put
# them; clang's runtime libraries lie under the LLVM version's directory.
any_file() { compgen -G "$1" >/dev/null; }

tool_present() {
  case $1 in
    zlib.h) [ -f /usr/include/zlib.h ] ;;
    gtest.h) [ -f /usr/include/gtest/gtest.h ] ;;
    clang) command -v clang >/dev/null && command -v clang++ >/dev/null ;;
    libFuzzer) any_file "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-$(uname -m).a" ;;
    libomp) any_file "/usr/lib/llvm-*/lib/libomp.so" ;;
    libarcher) any_file "/usr/lib/llvm-*/lib/libarcher.so" ;;
    /*) [ -x "$1" ] ;;
    *) command -v "$1" >/dev/null ;;
  esac
}

tool_package() {
  case $1 in
    ninja) echo ninja-build ;;
    zlib.h) echo zlib1g-dev ;;
    gtest.h) echo libgtest-dev ;;
    libFuzzer) echo libclang-rt-dev ;;
    libomp | libarcher) echo libomp-dev ;;  # libarcher: the OpenMP tool of the thread sanitizer
    /usr/bin/time) echo time ;;
    art_illumina) echo art-nextgen-simulation-tools ;;
    /usr/lib/seqan/bin/mason_simulator) echo seqan-apps ;;
    awk) echo mawk ;;
    cmp) echo diffutils ;;
    du | md5sum | dd | sync) echo coreutils ;;
    *) echo "$1" ;;
  esac
}

tool_shown() {
  case $1 in
    zlib.h) echo /usr/include/zlib.h ;;
    gtest.h) echo /usr/include/gtest/gtest.h ;;
    clang) echo clang and clang++ ;;
    libFuzzer) echo "libFuzzer (libclang_rt.fuzzer)" ;;
    libomp) echo "the LLVM OpenMP runtime (libomp.so)" ;;
    libarcher) echo "Archer, the OpenMP tool of the thread sanitizer (libarcher.so)" ;;
    *) echo "$1" ;;
  esac
}

[ $# -ge 2 ] || usage
mode=$1
shift
case $mode in install | check) ;; *) usage ;; esac

for job in "$@"; do
  case $job in
    programs | tests | fuzz | tsan | format | ci | bench-kmerbank | bench-fragsim | bench-fragsim-threads | bench-fragsim-genome | bench-genocall) ;;
    *) echo "unknown job: $job" >&2; usage ;;
  esac
done

# Every tool once, in the order the jobs name them.
tools=()
for job in "$@"; do
  for t in $(job_tools "$job"); do
    case " ${tools[*]-} " in *" $t "*) ;; *) tools+=("$t") ;; esac
  done
done

missing=()
packages=()
for t in "${tools[@]}"; do
  tool_present "$t" && continue
  missing+=("$t")
  p=$(tool_package "$t")
  case " ${packages[*]-} " in *" $p "*) ;; *) packages+=("$p") ;; esac
done
[ ${#missing[@]} -eq 0 ] && exit 0

install_line="apt-get install -y --no-install-recommends ${packages[*]}"
if [ "$mode" = install ] && [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
  echo "== installing the missing Debian packages: ${packages[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive $install_line
  still=()
  for t in "${missing[@]}"; do tool_present "$t" || still+=("$(tool_shown "$t")"); done
  if [ ${#still[@]} -gt 0 ]; then
    echo "still missing after the installation: ${still[*]}" >&2
    exit 1
  fi
  exit 0
fi

{
  echo "missing tools (job: $*):"
  for t in "${missing[@]}"; do echo "  $(tool_shown "$t")   (Debian package $(tool_package "$t"))"; done
  echo "install them as root with:"
  echo "  $install_line"
} >&2
exit 1
