#!/usr/bin/env bash
# A three-node MariaDB Galera cluster with HAProxy in front of it, all on 127.0.0.1 and kept
# in one folder: what a workshop that outgrows one server runs, small enough for tests.
#   cluster.sh start DIR     start the nodes and the proxy that do not run (a stopped or killed
#                            node joins the others again); prints "PROXY NODE1 NODE2 NODE3",
#                            the four ports
#   cluster.sh stop DIR      stop the proxy and the nodes
#   cluster.sh kill DIR N    kill node N (1-3) at once, as a crash would
#   cluster.sh status DIR    each node's state as the proxy's check sees it
#   cluster.sh client DIR [N] [ARGS]   the command-line client as the program's user, through
#                            the proxy or on node N
# Every wait is bounded: start gives up after about three minutes, stop after one.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cmd=${1:?usage: cluster.sh start|stop|kill|status|client DIR}
dir=${2:?usage: cluster.sh start|stop|kill|status|client DIR}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
{ read -r dbuser; read -r dbpass; } < "$here/../db/credentials"

provider=""
for p in /usr/lib/galera/libgalera_smm.so /usr/lib/libgalera_smm.so /usr/lib/*/galera/libgalera_smm.so; do
  [ -f "$p" ] && { provider=$p; break; }
done

node_dir() { echo "$dir/node$1"; }
# Unix socket paths are limited to 107 bytes: fall back to /tmp for deep folders.
node_sock() {
  local s
  s="$(node_dir "$1")/mysqld.sock"
  [ ${#s} -gt 100 ] && s="/tmp/whc-$(echo "$dir" | md5sum | cut -c1-10)-$1.sock"
  echo "$s"
}
node_pid() { cat "$(node_dir "$1")/mysqld.pid" 2>/dev/null || true; }
node_running() {
  local pid
  pid=$(node_pid "$1")
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null
}
root_client() {
  local n=$1
  shift
  mariadb --no-defaults --protocol=socket --socket="$(node_sock "$n")" -uroot "$@"
}
proxy_running() { [ -f "$dir/haproxy.pid" ] && kill -0 "$(cat "$dir/haproxy.pid")" 2>/dev/null; }

# Ports below 32768 (the ephemeral range above it is where outgoing connections take their
# local ports), neither listening now nor handed out earlier in this folder.
free_port() {
  local p
  for _ in $(seq 1 400); do
    p=$(( 20000 + RANDOM % 12000 ))
    grep -qx "$p" "$dir/ports.taken" 2>/dev/null && continue
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
      echo "$p" >> "$dir/ports.taken"
      echo "$p"
      return
    fi
  done
  echo "no free port found" >&2
  return 1
}

# The ports of the folder: chosen once, kept for every later start (a node that comes back
# must find the others where it left them).
ensure_ports() {
  [ -s "$dir/ports" ] && return
  : > "$dir/ports.taken"
  local line=""
  for _ in $(seq 1 13); do line="$line $(free_port)"; done
  echo "$line" | sed 's/^ //' > "$dir/ports"
}
# Field i (from 1) of the ports file: 1 the proxy, then per node k the client port (1 + k),
# the group port (4 + k), the incremental transfer port (7 + k), the snapshot port (10 + k).
port_of() { cut -d' ' -f"$1" "$dir/ports"; }
client_port() { port_of $((1 + $1)); }
group_port() { port_of $((4 + $1)); }
ist_port() { port_of $((7 + $1)); }
sst_port() { port_of $((10 + $1)); }

# 0 when node N is a synced member of the primary component, 1 otherwise.
node_synced() {
  local out
  out=$(root_client "$1" -N -B -e "show global status where Variable_name in ('wsrep_ready','wsrep_local_state')" 2>/dev/null) || return 1
  echo "$out" | grep -q $'wsrep_ready\tON' && echo "$out" | grep -q $'wsrep_local_state\t4'
}

# Waits up to $2 tenths of a second for node $1 to be synced; 1 when its process ended or
# time ran out.
wait_synced() {
  local n=$1 limit=$2 pid
  for _ in $(seq 1 "$limit"); do
    node_synced "$n" && return 0
    pid=$(node_pid "$n")
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then return 1; fi
    sleep 0.1
  done
  return 1
}

# The server's settings of node $1, one a line.
node_args() {
  local n=$1 nd members="" k
  nd=$(node_dir "$n")
  for k in 1 2 3; do members="$members,127.0.0.1:$(group_port "$k")"; done
  members=${members#,}
  # Small nodes: three of them and other servers share one machine. Failure detection is
  # quicker than a network's defaults: all nodes are on one host.
  local options="gmcast.listen_addr=tcp://127.0.0.1:$(group_port "$n");ist.recv_addr=127.0.0.1:$(ist_port "$n")"
  options="$options;gcache.size=32M;gcache.page_size=16M;evs.keepalive_period=PT0.5S"
  options="$options;evs.inactive_check_period=PT0.5S;evs.suspect_timeout=PT3S;evs.inactive_timeout=PT6S"
  options="$options;evs.install_timeout=PT6S;pc.announce_timeout=PT1S"
  printf '%s\n' --no-defaults --user=root --datadir="$nd/data" --tmpdir="$nd/tmp" \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci --skip-name-resolve \
    --innodb-buffer-pool-size=64M --innodb-log-file-size=16M --innodb-flush-log-at-trx-commit=2 \
    --max-connections=300 --skip-log-bin --binlog-format=ROW --innodb-autoinc-lock-mode=2 \
    --default-storage-engine=InnoDB \
    --wsrep-on=ON --wsrep-provider="$provider" --wsrep-provider-options="$options" \
    --wsrep-cluster-name="$(cat "$dir/cluster.name")" --wsrep-cluster-address="gcomm://$members" \
    --wsrep-node-name="node$n" --wsrep-node-address="127.0.0.1:$(group_port "$n")" \
    --wsrep-node-incoming-address="127.0.0.1:$(client_port "$n")" \
    --wsrep-sst-method=mariabackup --wsrep-sst-auth=root: \
    --wsrep-sst-receive-address="127.0.0.1:$(sst_port "$n")"
}

# The position (uuid:seqno) up to which node $1 holds the cluster's changes. A node that
# crashed has not written it: its storage tells, as the server reads it when asked to recover.
node_position() {
  local n=$1 nd uuid seqno
  nd=$(node_dir "$n")
  [ -f "$nd/data/grastate.dat" ] || { echo ":-1"; return; }
  uuid=$(sed -n 's/^uuid: *//p' "$nd/data/grastate.dat")
  seqno=$(sed -n 's/^seqno: *//p' "$nd/data/grastate.dat")
  if [ -z "$seqno" ] || [ "$seqno" = -1 ]; then
    local args=()
    mapfile -t args < <(node_args "$n")
    rm -f "$nd/recover.log"
    timeout 120 mariadbd "${args[@]}" --skip-networking --socket="$nd/recover.sock" \
      --pid-file="$nd/recover.pid" --log-error="$nd/recover.log" --wsrep-recover \
      < /dev/null > /dev/null 2>&1 || true
    local pos
    pos=$(sed -n 's/.*WSREP: Recovered position: *//p' "$nd/recover.log" 2>/dev/null | tail -n 1 || true)
    uuid=${pos%%:*}
    seqno=${pos##*:}
    # Kept as a clean shutdown would have left it: the start reads it from there.
    if [ -n "$uuid" ] && [ -n "$seqno" ] && [ "$seqno" != -1 ] && [ -f "$nd/data/grastate.dat" ]; then
      sed -i -e "s/^uuid: .*/uuid:    $uuid/" -e "s/^seqno: .*/seqno:   $seqno/" "$nd/data/grastate.dat"
    fi
  fi
  echo "${uuid:-}:${seqno:--1}"
}

start_node() {
  local n=$1 bootstrap=$2 nd
  nd=$(node_dir "$n")
  mkdir -p "$nd/data" "$nd/tmp"
  rm -f "$(node_sock "$n")"
  local extra=()
  # A node that crashed starts from the position its storage holds, so that it only needs
  # what it missed (from the others' write-set cache) instead of a whole copy.
  node_position "$n" > /dev/null
  if [ "$bootstrap" = yes ]; then
    extra+=(--wsrep-new-cluster)
    # The node that begins the cluster again is the one that holds the most (start chooses it).
    [ -f "$nd/data/grastate.dat" ] && sed -i 's/^safe_to_bootstrap: 0/safe_to_bootstrap: 1/' "$nd/data/grastate.dat"
  fi
  local args=()
  mapfile -t args < <(node_args "$n")
  setsid mariadbd "${args[@]}" --bind-address=127.0.0.1 --port="$(client_port "$n")" \
    --socket="$(node_sock "$n")" --pid-file="$nd/mysqld.pid" --log-error="$nd/error.log" \
    "${extra[@]}" < /dev/null > "$nd/server.out" 2>&1 &
  # The pid file appears only once the server is under way; the process id is known at once.
  echo $! > "$nd/mysqld.pid"
}

stop_node() {
  local n=$1 pid
  pid=$(node_pid "$n")
  [ -n "$pid" ] || return 0
  if kill -0 "$pid" 2>/dev/null; then
    root_client "$n" -e "SHUTDOWN" > /dev/null 2>&1 || kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$(node_dir "$n")/mysqld.pid"
}

fail() {
  echo "cluster.sh: $*" >&2
  exit 1
}

node_log_tail() { tail -n 25 "$(node_dir "$1")/error.log" >&2 2>/dev/null || true; }

# The proxy's health check: a node takes clients only while it is a synced member of the
# primary component. The check logs in with a user that has no rights.
write_proxy_config() {
  cat > "$dir/check.cnf" <<EOF
[client]
user=whcheck
password=$(cat "$dir/check.password")
connect-timeout=2
EOF
  chmod 600 "$dir/check.cnf"
  cat > "$dir/check.sh" <<EOF
#!/bin/sh
# Called by HAProxy with: proxy address, proxy port, node address, node port.
out=\$(mariadb --defaults-file="$dir/check.cnf" --protocol=tcp -h"\$3" -P"\$4" -N -B \\
  -e "show global status where Variable_name in ('wsrep_ready','wsrep_local_state')" 2>/dev/null) || exit 1
echo "\$out" | grep -q 'wsrep_ready.ON' || exit 1
echo "\$out" | grep -q 'wsrep_local_state.4\$' || exit 1
exit 0
EOF
  chmod 755 "$dir/check.sh"
  {
    cat <<EOF
global
  maxconn 2000
  external-check
  insecure-fork-wanted
  pidfile $dir/haproxy.pid

defaults
  mode tcp
  timeout connect 3s
  # The program keeps its connection open, idle, for as long as it runs.
  timeout client 8h
  timeout server 8h
  timeout check 3s
  retries 3
  option redispatch

listen mariadb
  bind 127.0.0.1:$(port_of 1)
  balance leastconn
  option external-check
  external-check path "/usr/bin:/bin"
  external-check command $dir/check.sh
  # A node that fails its check loses its clients at once: their next action connects anew
  # and goes on through another node.
  default-server inter 500ms fastinter 250ms downinter 1s fall 2 rise 2 on-marked-down shutdown-sessions
EOF
    for k in 1 2 3; do echo "  server node$k 127.0.0.1:$(client_port "$k") check"; done
  } > "$dir/haproxy.cfg"
}

start_proxy() {
  proxy_running && return 0
  write_proxy_config
  haproxy -c -q -f "$dir/haproxy.cfg" || fail "the proxy's configuration $dir/haproxy.cfg is refused"
  rm -f "$dir/haproxy.pid"
  setsid haproxy -D -q -f "$dir/haproxy.cfg" < /dev/null > "$dir/haproxy.out" 2>&1 ||
    fail "the proxy did not start: $(cat "$dir/haproxy.out")"
  for _ in $(seq 1 50); do proxy_running && return 0; sleep 0.1; done
  fail "the proxy did not start: $(cat "$dir/haproxy.out")"
}

stop_proxy() {
  if proxy_running; then
    local pid
    pid=$(cat "$dir/haproxy.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$dir/haproxy.pid"
}

# Waits up to $1 tenths of a second until the proxy lets the program's user in.
wait_proxy() {
  for _ in $(seq 1 "$1"); do
    mariadb --no-defaults --protocol=tcp -h127.0.0.1 -P"$(port_of 1)" -u"$dbuser" -p"$dbpass" \
      --connect-timeout=2 -N -e "select 1" > /dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

case "$cmd" in
start)
  [ -n "$provider" ] || fail "the Galera library (Debian package galera-4) is not installed"
  command -v haproxy > /dev/null || fail "haproxy (Debian package haproxy) is not installed"
  command -v mariabackup > /dev/null || fail "mariabackup (Debian package mariadb-backup) is not installed"
  command -v socat > /dev/null || fail "socat (Debian package socat) is not installed"
  ensure_ports
  [ -s "$dir/cluster.name" ] || echo "wh-$(date +%s)-$RANDOM" > "$dir/cluster.name"
  [ -s "$dir/check.password" ] || head -c 12 /dev/urandom | md5sum | cut -c1-16 > "$dir/check.password"
  if ! node_running 1 && ! node_running 2 && ! node_running 3; then
    if [ ! -f "$dir/seeded" ]; then
      # A new cluster: node 1 is installed and begins it; the other two start from a copy of
      # its folder, so that they join without a state transfer.
      rm -rf "$dir/node1" "$dir/node2" "$dir/node3"
      mkdir -p "$dir/node1/tmp"
      mariadb-install-db --no-defaults --user=root --datadir="$dir/node1/data" \
        --auth-root-authentication-method=normal --skip-test-db --skip-name-resolve \
        --tmpdir="$dir/node1/tmp" > "$dir/node1/install.log" 2>&1 ||
        { cat "$dir/node1/install.log" >&2; fail "installing the data folder of node 1 failed"; }
      start_node 1 yes
      wait_synced 1 600 || { node_log_tail 1; fail "node 1 did not start"; }
      root_client 1 <<SQL
CREATE USER IF NOT EXISTS '$dbuser'@'127.0.0.1' IDENTIFIED BY '$dbpass';
CREATE USER IF NOT EXISTS '$dbuser'@'localhost' IDENTIFIED BY '$dbpass';
GRANT ALL PRIVILEGES ON *.* TO '$dbuser'@'127.0.0.1' WITH GRANT OPTION;
GRANT ALL PRIVILEGES ON *.* TO '$dbuser'@'localhost' WITH GRANT OPTION;
CREATE USER IF NOT EXISTS 'whcheck'@'127.0.0.1' IDENTIFIED BY '$(cat "$dir/check.password")';
FLUSH PRIVILEGES;
SQL
      stop_node 1
      for k in 2 3; do
        mkdir -p "$dir/node$k/tmp"
        cp -a "$dir/node1/data" "$dir/node$k/data"
        rm -f "$dir/node$k/data/gvwstate.dat" "$dir/node$k/data/galera.cache"
        sed -i 's/^safe_to_bootstrap: 1/safe_to_bootstrap: 0/' "$dir/node$k/data/grastate.dat"
      done
      touch "$dir/seeded"
    fi
    # The node that holds the most begins the cluster again.
    first=1 best=-2
    for k in 1 2 3; do
      seqno=$(node_position "$k")
      seqno=${seqno##*:}
      if [ "$seqno" -gt "$best" ] 2>/dev/null; then first=$k; best=$seqno; fi
    done
    start_node "$first" yes
    wait_synced "$first" 600 || { node_log_tail "$first"; fail "node $first did not start"; }
  fi
  # The nodes that do not run join the running ones, at once when they hold the cluster's
  # state, else by an incremental transfer of what they missed.
  for k in 1 2 3; do node_running "$k" || start_node "$k" no; done
  for k in 1 2 3; do
    wait_synced "$k" 900 || { node_log_tail "$k"; fail "node $k did not join the cluster"; }
  done
  start_proxy
  wait_proxy 100 || fail "the proxy does not let the program's user in"
  echo "$(port_of 1) $(client_port 1) $(client_port 2) $(client_port 3)"
  ;;
stop)
  stop_proxy
  # The nodes leave one by one; the last one to leave could begin the cluster again.
  for k in 3 2 1; do stop_node "$k"; done
  ;;
kill)
  n=${3:?usage: cluster.sh kill DIR N}
  pid=$(node_pid "$n")
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  rm -f "$(node_dir "$n")/mysqld.pid"
  ;;
status)
  for k in 1 2 3; do
    if ! node_running "$k"; then echo "node$k stopped"
    elif node_synced "$k"; then echo "node$k synced"
    else echo "node$k not ready"; fi
  done
  proxy_running && echo "proxy running" || echo "proxy stopped"
  ;;
client)
  n=${3:-}
  shift 2
  [ -n "$n" ] && [ "$n" -ge 1 ] 2>/dev/null && shift || n=""
  port=$(port_of 1)
  [ -n "$n" ] && port=$(client_port "$n")
  exec mariadb --no-defaults --protocol=tcp -h127.0.0.1 -P"$port" -u"$dbuser" -p"$dbpass" "$@"
  ;;
*)
  echo "usage: cluster.sh start|stop|kill|status|client DIR" >&2
  exit 2
  ;;
esac
