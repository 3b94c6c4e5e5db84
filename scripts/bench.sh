#!/usr/bin/env bash
# Builds the benchmarks and runs them against a private MariaDB server; prints their figures.
#   scripts/bench.sh [GTEST ARGS]   e.g. --gtest_filter='WholeStoreBench.*'
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# The build's output is shown only when the build fails.
buildlog=$(mktemp)
if ! WAREHOUSE_CMAKE_ARGS="-DWAREHOUSE_BENCH=ON -DCMAKE_BUILD_TYPE=Release ${WAREHOUSE_CMAKE_ARGS:-}" \
    bash "$top/scripts/setup.sh" > "$buildlog" 2>&1; then
  cat "$buildlog" >&2
  rm -f "$buildlog"
  echo "the benchmarks did not build" >&2
  exit 1
fi
rm -f "$buildlog"
dir="$top/build/benchdb"
runtime=$(mktemp -d)  # the windows' runtime folder, private to this run
trap 'bash "$top/scripts/db.sh" stop "$dir"; rm -rf "$runtime"' EXIT
export WAREHOUSE_TEST_DB_PORT=$(bash "$top/scripts/db.sh" start "$dir")
export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen
status=0
for b in "$top"/build/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b" | sed 's/^bench_//')"
  # Only the figures and what failed: GoogleTest's brief form without its summary lines.
  out=$("$b" --gtest_brief=1 "$@" 2>&1) || status=1
  printf '%s\n' "$out" | grep -v '^\[==========\]\|^\[  PASSED  \]' || true
done
exit $status
