#!/usr/bin/env bash
# Installs what is missing (Debian 12 packages) and builds the program into build/.
#   scripts/setup.sh [-j N | --jobs N]   build with N parallel jobs (default: WAREHOUSE_JOBS,
#                                        else one per processor)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=${WAREHOUSE_JOBS:-}
while [ $# -gt 0 ]; do
  case "$1" in
    -j|--jobs) [ $# -gt 1 ] || { echo "usage: setup.sh [-j N | --jobs N]" >&2; exit 2; }
      jobs=$2; shift 2 ;;
    -j*) jobs=${1#-j}; shift ;;
    --jobs=*) jobs=${1#--jobs=}; shift ;;
    *) echo "usage: setup.sh [-j N | --jobs N]" >&2; exit 2 ;;
  esac
done
[ -n "$jobs" ] || jobs=$(nproc)
if ! [[ "$jobs" =~ ^[0-9]+$ ]] || [ "$((10#$jobs))" -lt 1 ]; then
  echo "setup.sh: the number of build jobs must be a whole number of 1 or more, not '$jobs'" >&2
  exit 2
fi
# galera-4, mariadb-backup, socat and haproxy: the test cluster (scripts/cluster.sh).
packages="cmake ninja-build g++ pkg-config qt6-base-dev libqt6sql6-mysql mariadb-server
  mariadb-client libgtest-dev xvfb xauth poppler-utils qpdf fonts-dejavu-core
  galera-4 mariadb-backup socat haproxy"
# A build with another compiler needs it too: WAREHOUSE_CMAKE_ARGS="-DCMAKE_CXX_COMPILER=clang++"
# (or CXX=clang++-14 in the environment) installs clang (or clang-14).
compiler=$(printf '%s\n' ${WAREHOUSE_CMAKE_ARGS:-} | sed -n 's/^-DCMAKE_CXX_COMPILER\(:[A-Za-z]*\)\{0,1\}=//p' | tail -n 1)
compiler=$(basename "${compiler:-${CXX:-g++}}")
case "$compiler" in
  clang++-[0-9]*) packages="$packages clang-${compiler#clang++-}" ;;
  clang++ | clang) packages="$packages clang" ;;
esac
missing=""
for p in $packages; do
  dpkg -s "$p" > /dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  # A packaged server must not start a system service of its own here.
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq $missing > /dev/null
fi
cmake -S "$top" -B "$top/build" -G Ninja ${WAREHOUSE_CMAKE_ARGS:-} > /dev/null
cmake --build "$top/build" --parallel "$jobs"
