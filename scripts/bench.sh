#!/usr/bin/env bash
# Builds the benchmarks and runs them against a private MariaDB server; prints their figures.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
WAREHOUSE_CMAKE_ARGS="-DWAREHOUSE_BENCH=ON -DCMAKE_BUILD_TYPE=Release" bash "$top/scripts/setup.sh"
dir="$top/build/benchdb"
trap 'bash "$top/scripts/db.sh" stop "$dir"' EXIT
export WAREHOUSE_TEST_DB_PORT=$(bash "$top/scripts/db.sh" start "$dir")
for b in "$top"/build/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  QT_QPA_PLATFORM=offscreen "$b" "$@"
done
