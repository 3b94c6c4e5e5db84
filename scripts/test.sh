#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite against a private MariaDB
# server and a three-node test cluster (label "cluster") that CTest starts before the tests
# and stops after them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
cd "$top/build"
status=0
ctest -j"$(nproc)" --output-on-failure --timeout 600 "$@" || status=$?
bash "$top/scripts/db.sh" stop "$top/build/testdb" || true
[ -d "$top/build/cluster" ] && { bash "$top/scripts/cluster.sh" stop "$top/build/cluster" || true; }
exit $status
