#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs them.
#
#   bench/fuzz.sh [-t SECONDS] [-j JOBS] [-b BUILD_DIR] [--smoke] [TARGET...]
#
# Each target runs SECONDS (default 60) in JOBS processes (default 1) that
# share its corpus, build-fuzz/corpus/TARGET, which starts from the seeds
# made by bench/fuzz-seeds.py out of the normal build's tovo-cli (build/bin,
# or TOVO_PROGRAM_DIR). Findings (crash-*, leak-*, timeout-*, oom-*) land in
# build-fuzz/findings/TARGET/; every run adds one line per target to
# build-fuzz/fuzz-runs.tsv (target, CPU seconds, executions, findings), and
# the totals over all runs are printed at the end. The minimised inputs of
# past findings, tests/fuzz/regressions/TARGET/, are always run too.
#
# --smoke: a few seconds per target on the seeds alone, in a throw-away
# corpus, failing on any finding (what the test suite runs).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
seconds=60
jobs=1
smoke=0
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    -t) seconds="$2"; shift 2 ;;
    -j) jobs="$2"; shift 2 ;;
    -b) build="$(realpath -m "$2")"; shift 2 ;;
    --smoke) smoke=1; seconds=3; shift ;;
    -*) echo "option inconnue : $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
all=(directory ziprd extract repair labelstore textlines settings)
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DTOVO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "${launcher[@]}" >/dev/null
fi
cmake --build "$build" -j2 --target fuzz_all >/dev/null

prog="${TOVO_PROGRAM_DIR:-$root/build/bin}"
seeds="$build/seeds"
if [ ! -d "$seeds/zip" ] || [ "$root/bench/fuzz-seeds.py" -nt "$seeds/zip" ]; then
  rm -rf "$seeds"
  python3 "$root/bench/fuzz-seeds.py" "$seeds" "$prog" >/dev/null
fi

kind_of() {
  case "$1" in
    directory|ziprd|extract|repair) echo zip ;;
    *) echo "$1" ;;
  esac
}

scratch="$(mktemp -d "${TMPDIR:-/tmp}/tovo-fuzz-run.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
status=0
printf '%-11s %8s %12s %9s\n' cible "s CPU" executions trouvailles
for t in "${targets[@]}"; do
  kind="$(kind_of "$t")"
  findings="$build/findings/$t"
  mkdir -p "$findings"
  if [ "$smoke" = 1 ]; then
    corpus="$scratch/corpus-$t"
  else
    corpus="$build/corpus/$t"
  fi
  mkdir -p "$corpus"
  dict=()
  [ "$kind" = zip ] && dict=(-dict="$root/tests/fuzz/zip.dict")
  kept=()
  [ -d "$root/tests/fuzz/regressions/$t" ] && kept=("$root/tests/fuzz/regressions/$t")
  before=$(find "$findings" -type f | wc -l)
  pids=()
  for j in $(seq 1 "$jobs"); do
    (
      start=$(date +%s)
      TMPDIR="$scratch" "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -max_len=262144 -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" \
        "$corpus" "$seeds/$kind" "${kept[@]}" >"$scratch/$t-$j.log" 2>&1 || true
      echo "elapsed: $(( $(date +%s) - start ))" >>"$scratch/$t-$j.log"
    ) &
    pids+=($!)
  done
  for p in "${pids[@]}"; do wait "$p" || true; done
  execs=$(cat "$scratch/$t-"*.log | sed -n 's/^stat::number_of_executed_units: *//p' | awk '{s+=$1} END {print s+0}')
  found=$(( $(find "$findings" -type f | wc -l) - before ))
  cpu=$(cat "$scratch/$t-"*.log | sed -n 's/^elapsed: *//p' | awk '{s+=$1} END {print s+0}')
  printf '%-11s %8d %12d %9d\n' "$t" "$cpu" "$execs" "$found"
  [ "$smoke" = 1 ] || printf '%s\t%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "$t" "$cpu" "$execs" "$found" >>"$build/fuzz-runs.tsv"
  if [ "$found" -gt 0 ]; then
    status=1
    grep -h -A12 "ERROR:\|property failed\|deadly signal" "$scratch/$t-"*.log | head -40 >&2 || true
    mkdir -p "$build/logs" && cp "$scratch/$t-"*.log "$build/logs/" 2>/dev/null || true
  fi
done
if [ "$smoke" = 0 ] && [ -f "$build/fuzz-runs.tsv" ]; then
  awk -F'\t' '{c+=$3; e+=$4; f+=$5} END {printf "total de toutes les séances : %.2f h CPU, %d exécutions, %d trouvailles\n", c/3600, e, f}' \
    "$build/fuzz-runs.tsv"
fi
exit $status
