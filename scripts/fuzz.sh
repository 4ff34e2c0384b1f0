#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer, and coverage
# counters in every library they drive) and runs them one after the other, one job each.
#
#   scripts/fuzz.sh [-t SECONDS] [-o FOLDER] [TARGET...]   run each TARGET for SECONDS (default 300)
#   scripts/fuzz.sh --seeds                                  write the seeds again (tests/fuzz/corpus/)
#
# TARGET is NAME of tests/fuzz/NAME_fuzz.cpp (default: all of them). Each run starts from the
# seeds in tests/fuzz/corpus/NAME/ and keeps what it learns in FOLDER/corpus/NAME/ (default FOLDER:
# build-fuzz/out). An input that crashes, hangs, leaks or breaks a rule of the code is left in
# FOLDER/crashes/NAME/ and the script ends with status 1. At the end a table gives, per target,
# the inputs run and the coverage reached (edges and features of libFuzzer).
set -euo pipefail
cd "$(dirname "$0")/.."

SECS=300
OUT=build-fuzz/out
SEEDS=0
TARGETS=()
while [ $# -gt 0 ]; do
  case "$1" in
    -t) SECS="$2"; shift 2 ;;
    -o) OUT="$2"; shift 2 ;;
    --seeds) SEEDS=1; shift ;;
    -h|--help) sed -n '2,13p' "$0"; exit 0 ;;
    *) TARGETS+=("$1"); shift ;;
  esac
done
if [ ${#TARGETS[@]} -eq 0 ]; then
  for f in tests/fuzz/*_fuzz.cpp; do
    n=$(basename "$f" _fuzz.cpp)
    TARGETS+=("$n")
  done
fi
for t in "${TARGETS[@]}"; do
  [ -f "tests/fuzz/${t}_fuzz.cpp" ] || { echo "Nessun bersaglio $t (tests/fuzz/${t}_fuzz.cpp)" >&2; exit 2; }
done

# What the build needs, and clang with its fuzzer runtime, from Debian when missing.
./scripts/deps.sh clang libclang-rt-14-dev

BUILD=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DARV_SANITIZE=ON -DARV_FUZZ=ON -DARV_BUILD_BENCH=OFF >/dev/null
JOBS="${FUZZ_BUILD_JOBS:-2}"

if [ "$SEEDS" = 1 ]; then
  cmake --build "$BUILD" -j"$JOBS" --target fuzz_seeds
  "$BUILD/tests/fuzz_seeds" tests/fuzz/corpus
  exit 0
fi

cmake --build "$BUILD" -j"$JOBS" --target $(printf 'fuzz_%s ' "${TARGETS[@]}")

# Scratch files of the rounds go to memory when the machine has it.
SCRATCH=$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}" )/arvfuzz.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

mkdir -p "$OUT"
SUMMARY=()
FAILED=0
for t in "${TARGETS[@]}"; do
  mkdir -p "$OUT/corpus/$t" "$OUT/crashes/$t"
  args=(-max_total_time="$SECS" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$OUT/crashes/$t/")
  [ -f "tests/fuzz/$t.dict" ] && args+=(-dict="tests/fuzz/$t.dict")
  echo "== $t: ${SECS} s"
  rc=0
  mkdir -p "$SCRATCH/$t"
  TMPDIR="$SCRATCH/$t" "$BUILD/tests/fuzz_$t" "${args[@]}" "$OUT/corpus/$t" "tests/fuzz/corpus/$t" \
    >"$OUT/$t.log" 2>&1 || rc=$?
  rm -rf "${SCRATCH:?}/$t"
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$OUT/$t.log" | tail -1 | awk '{print $2}')
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$OUT/$t.log" | tail -1 | awk '{print $2" edges, "$4" features"}')
  found=$(find "$OUT/crashes/$t" -type f | wc -l)
  if [ "$rc" -ne 0 ] || [ "$found" -gt 0 ]; then
    FAILED=1
    SUMMARY+=("$(printf '%-8s %10s inputs  %-28s FAULT: see %s and %s' "$t" "${runs:-?}" "${cov:-?}" "$OUT/crashes/$t/" "$OUT/$t.log")")
  else
    SUMMARY+=("$(printf '%-8s %10s inputs  %-28s no crash, hang or leak' "$t" "${runs:-?}" "${cov:-?}")")
  fi
done

echo
echo "target       inputs run  coverage"
printf '%s\n' "${SUMMARY[@]}"
echo "Inputs learnt: $OUT/corpus/; faulty inputs: $OUT/crashes/"
exit $FAILED
