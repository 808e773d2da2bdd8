#!/usr/bin/env bash
# Runs two builds of korvex (or one build with two sets of flags) on every
# golden case and every reference run and compares every file they write,
# byte for byte, the print file's date line aside. Used to show that a
# change of how the work is done (threads, kernel) changes no output.
#
#   tools/compare-runs.sh BINARY_A BINARY_B [-- FLAGS_A -- FLAGS_B]
#   tools/compare-runs.sh build/korvex build/korvex -- --threads 1 -- --threads 2
set -euo pipefail
cd "$(dirname "$0")/.."
a="$(realpath "$1")"; b="$(realpath "$2")"; shift 2
flags_a=(); flags_b=()
if [ "${1:-}" = "--" ]; then
  shift
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do flags_a+=("$1"); shift; done
  [ "${1:-}" = "--" ] && shift
  flags_b=("$@")
fi

cases=(tests/golden/cases/*)
[ -d ../shared/reference-runs ] && cases+=(../shared/reference-runs/*/)
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0 compared=0
for c in "${cases[@]}"; do
  [ -f "$c/command" ] || continue
  read -r -a argv < "$c/command"
  argv=("${argv[@]:1}")
  for side in a b; do
    rm -rf "$work/$side"; cp -r "$c/input" "$work/$side"
    if [ $side = a ]; then bin="$a"; extra=("${flags_a[@]}"); else bin="$b"; extra=("${flags_b[@]}"); fi
    [ "${argv[0]}" = run ] || extra=()  # the flags are those of a run
    (cd "$work/$side" && "$bin" "${argv[@]}" "${extra[@]}" >stdout 2>stderr; echo $? >status) || true
    sed -i 's/^\( *KORVEX RUN ON:\).*/\1/' "$work/$side"/*.prt "$work/$side"/*.log 2>/dev/null || true
  done
  if diff -r "$work/a" "$work/b" >/dev/null; then
    compared=$((compared + 1))
  else
    echo "DIFFERS: $c"; diff -r "$work/a" "$work/b" | head -5; failed=$((failed + 1))
  fi
done
echo "identical: $compared, different: $failed"
[ $failed -eq 0 ]
