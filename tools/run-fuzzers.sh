#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz with clang (in build-fuzz/),
# seeds them from the golden cases and runs each for SECONDS (default 15).
#
#   tools/run-fuzzers.sh [SECONDS] [HARNESS...]
#
# HARNESS is experiment_reader, drevik_reader, shelx_reader or whole_run
# (default: all four). What the fuzzer learns is kept in
# build-fuzz/corpus/<harness>/, so a later, longer run goes on from there;
# an input that makes a harness fail is written to build-fuzz/findings/ and
# the script fails. Without clang and its libFuzzer runtime it says so and
# does nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-15}"
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && harnesses=(experiment_reader drevik_reader shelx_reader whole_run)

if ! command -v clang++ >/dev/null 2>&1 ||
   ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  echo "run-fuzzers: clang with libFuzzer not found: the fuzzers are not run"
  exit 0
fi

jobs="$(nproc 2>/dev/null || echo 2)"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DKORVEX_FUZZ=ON \
  -DKORVEX_GUI=OFF -DKORVEX_TESTS=OFF -DKORVEX_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target $(printf 'fuzz_%s ' "${harnesses[@]}")

# Seeds: the inputs of the golden cases; a whole run is one flag byte (bit 0
# SHELX input, bit 1 SHELX output), the experiment file, NUL, the
# reflection file.
seeds=build-fuzz/seeds
rm -rf "$seeds"
mkdir -p "$seeds"/{experiment_reader,drevik_reader,shelx_reader,whole_run}
for case in tests/golden/cases/*/; do
  name="$(basename "$case")"
  read -r -a words < "$case/command"
  for f in "$case"input/*; do
    case "$f" in
      *.exp) cp "$f" "$seeds/experiment_reader/$name.exp" ;;
      *.int) cp "$f" "$seeds/drevik_reader/$name.int" ;;
      *.hkl) cp "$f" "$seeds/shelx_reader/$name.hkl" ;;
    esac
  done
  if [ "${words[1]}" = run ]; then
    flags=0
    case "${words[4]}" in *.hkl) flags=$((flags | 1)) ;; esac
    case "${words[5]}" in *.hkl) flags=$((flags | 2)) ;; esac
    { printf "\\x$(printf %02x $flags)"; cat "$case/input/${words[2]}"; printf '\0'; cat "$case/input/${words[4]}"; } \
      > "$seeds/whole_run/$name"
  fi
done

mkdir -p build-fuzz/findings
status=0
for h in "${harnesses[@]}"; do
  mkdir -p "build-fuzz/corpus/$h"
  max_len=4096
  timeout=60
  # A whole run may integrate a fine grid for every reflection, ten times
  # over when it rescales: slow under the sanitizers, but not hung.
  [ "$h" = whole_run ] && max_len=8192 && timeout=300
  echo "run-fuzzers: $h for $seconds s"
  if ! build-fuzz/fuzz_"$h" "build-fuzz/corpus/$h" "$seeds/$h" -max_total_time="$seconds" -max_len="$max_len" \
       -timeout="$timeout" -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$h-" \
       > "build-fuzz/$h.log" 2>&1; then
    echo "run-fuzzers: $h FOUND A FAULT (build-fuzz/$h.log, build-fuzz/findings/):"
    tail -n 30 "build-fuzz/$h.log"
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^Done [0-9]+ runs' "build-fuzz/$h.log" | sed "s/^/  /" || true
done
exit $status
