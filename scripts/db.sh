#!/usr/bin/env bash
# A private MariaDB server kept in one folder.
#   db.sh start DIR [PORT]   start it (or reuse it when it already runs); prints the port
#   db.sh stop DIR           stop it
#   db.sh client DIR [ARGS]  the command-line client, logged in as the program's user
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cmd=${1:?usage: db.sh start|stop|client DIR}
dir=${2:?usage: db.sh start|stop|client DIR}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
{ read -r dbuser; read -r dbpass; } < "$here/../db/credentials"

# Unix socket paths are limited to 107 bytes: fall back to /tmp for deep folders.
sock="$dir/mysqld.sock"
if [ ${#sock} -gt 100 ]; then
  sock="/tmp/wh-$(echo "$dir" | md5sum | cut -c1-12).sock"
fi

running() {
  [ -f "$dir/mysqld.pid" ] && kill -0 "$(cat "$dir/mysqld.pid")" 2>/dev/null
}

root_client() {
  mariadb --no-defaults --protocol=socket --socket="$sock" -uroot "$@"
}

# Ports below 32768: the ephemeral range above it is where outgoing connections take their
# local ports, so a port that looks free there may be taken a moment later.
free_port() {
  local p
  for _ in $(seq 1 200); do
    p=$(( 20000 + RANDOM % 12000 ))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then echo "$p"; return; fi
  done
  echo "no free port found" >&2; return 1
}

# Written into the data folder once mariadb-install-db has finished: a folder without it was
# left behind by an install that broke off (the server would start on it and refuse root).
marker="$dir/data/.install-complete"

# Waits for a server started as $1 on the socket: 0 when root can log in, 1 when the server
# ended or did not answer in time, 2 when it answers but refuses root.
wait_for_root() {
  local pid=$1 out
  for _ in $(seq 1 600); do
    if out=$(root_client -e "select 1" 2>&1); then return 0; fi
    case "$out" in *"Access denied"*) return 2 ;; esac
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

stop_pid() {
  local pid=$1
  root_client -e "SHUTDOWN" > /dev/null 2>&1 || kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# A data folder made before the marker existed is kept when its server starts and lets root
# in (started without networking, so no port is needed).
old_install_works() {
  [ -f "$dir/data/mysql/global_priv.frm" ] || return 1
  rm -f "$sock"
  mkdir -p "$dir/tmp"
  setsid mariadbd --no-defaults --user=root --datadir="$dir/data" --skip-networking \
    --tmpdir="$dir/tmp" \
    --socket="$sock" --pid-file="$dir/check.pid" --log-error="$dir/check.log" --skip-log-bin \
    < /dev/null > /dev/null 2>&1 &
  local pid=$! ok=1
  wait_for_root "$pid" && ok=0
  stop_pid "$pid"
  return $ok
}

install_data() {
  if [ -e "$dir/data" ] && [ ! -f "$marker" ]; then
    if old_install_works; then
      touch "$marker"
      return
    fi
    rm -rf "$dir/data.incomplete"
    mv "$dir/data" "$dir/data.incomplete"
    echo "db.sh: $dir/data was left by an install that did not finish; moved it to" \
      "$dir/data.incomplete and installing a fresh data folder" >&2
  fi
  if [ ! -f "$marker" ]; then
    rm -rf "$dir/data"
    mkdir -p "$dir/tmp"
    # Its own folder for temporary tables: installs that run side by side in one /tmp have
    # been seen to lose each other's files and break off.
    if ! mariadb-install-db --no-defaults --user=root --datadir="$dir/data" \
      --auth-root-authentication-method=normal --skip-test-db --skip-name-resolve \
      --tmpdir="$dir/tmp" > "$dir/install.log" 2>&1; then
      cat "$dir/install.log" >&2
      rm -rf "$dir/data"
      echo "db.sh: installing the data folder $dir/data failed" >&2
      exit 1
    fi
    touch "$marker"
  fi
}

case "$cmd" in
start)
  if running; then cat "$dir/port"; exit 0; fi
  port=${3:-}
  [ -n "$port" ] || port=$(free_port)
  install_data
  started=""
  for attempt in 1 2 3 4 5; do
    rm -f "$sock"
    mkdir -p "$dir/tmp"
    setsid mariadbd --no-defaults --user=root --datadir="$dir/data" --tmpdir="$dir/tmp" \
      --bind-address=127.0.0.1 --port="$port" --socket="$sock" --pid-file="$dir/mysqld.pid" \
      --log-error="$dir/error.log" --character-set-server=utf8mb4 \
      --collation-server=utf8mb4_general_ci --skip-log-bin --skip-name-resolve \
      --innodb-buffer-pool-size=256M --innodb-flush-log-at-trx-commit=2 --max-connections=500 \
      < /dev/null > "$dir/server.out" 2>&1 &
    pid=$!
    rc=0
    wait_for_root "$pid" || rc=$?
    [ "$rc" = 0 ] && { started=yes; break; }
    if [ "$rc" = 2 ]; then
      # The server runs but refuses root: another port would not help.
      stop_pid "$pid"
      echo "the private MariaDB server in $dir refuses root; remove $dir/data to start afresh" >&2
      exit 1
    fi
    # The server ended (most often: its port was taken meanwhile): try another port.
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "the private MariaDB server did not start on port $port (attempt $attempt)" >&2
    port=$(free_port)
  done
  if [ -z "$started" ]; then
    echo "the private MariaDB server did not start; see $dir/error.log" >&2
    tail -n 20 "$dir/error.log" >&2 || true
    exit 1
  fi
  root_client <<SQL
CREATE USER IF NOT EXISTS '$dbuser'@'127.0.0.1' IDENTIFIED BY '$dbpass';
CREATE USER IF NOT EXISTS '$dbuser'@'localhost' IDENTIFIED BY '$dbpass';
GRANT ALL PRIVILEGES ON *.* TO '$dbuser'@'127.0.0.1' WITH GRANT OPTION;
GRANT ALL PRIVILEGES ON *.* TO '$dbuser'@'localhost' WITH GRANT OPTION;
FLUSH PRIVILEGES;
SQL
  echo "$port" > "$dir/port"
  echo "$sock" > "$dir/socket"
  echo "$port"
  ;;
stop)
  if running; then
    pid=$(cat "$dir/mysqld.pid")
    root_client -e "SHUTDOWN" > /dev/null 2>&1 || kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null || true
  fi
  ;;
client)
  shift 2
  port=$(cat "$dir/port")
  exec mariadb --no-defaults -h127.0.0.1 -P"$port" -u"$dbuser" -p"$dbpass" "$@"
  ;;
*)
  echo "usage: db.sh start|stop|client DIR" >&2; exit 2 ;;
esac
