#!/usr/bin/env bash
# Installs what is missing, builds, starts (or reuses) a private MariaDB server under var/db
# with the demo data, writes the key file and the registry file into var/ and starts the
# program there. Without a display the program runs under xvfb-run.
#
# The server keeps running after the program ends, so that the next run starts at once and
# finds the data as it was left; stop it with: bash scripts/db.sh stop var/db
# Arguments are passed on to the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
var="$top/var"
dbdir="$var/db"
main_db=warehouse
setup_db=warehouse_setup
subkey=Warehouse

bash "$top/scripts/setup.sh"
mkdir -p "$var"

# --- the server: the port of an earlier run, else 33061, else any free one -------------------
running() { [ -f "$dbdir/mysqld.pid" ] && kill -0 "$(cat "$dbdir/mysqld.pid")" 2>/dev/null; }
port_taken() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=33061
[ -s "$var/db.port" ] && port=$(cat "$var/db.port")
if ! running && port_taken "$port"; then
  echo "Port $port is taken; the private server takes another free port."
  port=""
fi
port=$(bash "$top/scripts/db.sh" start "$dbdir" ${port:+"$port"})
echo "$port" > "$var/db.port"
client() { bash "$top/scripts/db.sh" client "$dbdir" --default-character-set=utf8mb4 "$@"; }

# --- the databases: created and filled on first use only --------------------------------
# The mark is written after the last statement, so an interrupted load starts over.
if [ ! -f "$var/db.loaded" ]; then
  echo "Creating the databases $main_db and $setup_db with the demo data..."
  client -e "DROP DATABASE IF EXISTS $main_db; DROP DATABASE IF EXISTS $setup_db;
    CREATE DATABASE $main_db CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
    CREATE DATABASE $setup_db CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;"
  client "$main_db" < "$top/db/main.sql"
  client "$main_db" < "$top/db/upgrade.sql"
  client "$setup_db" < "$top/db/setup.sql"
  demo="$top/build/db/demo/whdemo"
  "$demo" setup 1 > "$var/demo-setup.sql"
  "$demo" main 1 > "$var/demo-main.sql"
  client "$setup_db" < "$var/demo-setup.sql"
  client "$main_db" < "$var/demo-main.sql"
  rm -f "$var/demo-setup.sql" "$var/demo-main.sql"
  date '+%Y-%m-%d %H:%M:%S' > "$var/db.loaded"
else
  echo "Reusing the databases $main_db and $setup_db (created $(cat "$var/db.loaded"))."
  # What a newer program needs is added; nothing stored changes.
  client "$main_db" < "$top/db/upgrade.sql"
fi

# --- the key file and the registry file -------------------------------------------------
# The key file names the registry sub-key; an existing one is left as the user wrote it.
[ -f "$var/PX11key.sys" ] || printf '%s|demo\r\n' "$subkey" > "$var/PX11key.sys"

# The connection values are (re)written under the sub-key; everything else in the registry
# file (window positions, other keys) is kept.
registry="$var/registry.reg"
[ -s "$registry" ] || printf 'Windows Registry Editor Version 5.00\r\n' > "$registry"
KEY="[HKEY_CURRENT_USER\\SOFTWARE\\ORMAK Software\\$subkey]" \
VALUES=$(printf '"SERVER HOST"="127.0.0.1"\n"SERVER PORT"="%s"\n"DATABASE NAME"="%s"\n"DATABASE NAME (SETUP)"="%s"' \
  "$port" "$main_db" "$setup_db") \
awk 'BEGIN { ORS = "\r\n"; key = ENVIRON["KEY"]; n = split(ENVIRON["VALUES"], v, "\n")
             for (i = 1; i <= n; i++) { split(v[i], p, "="); names[i] = tolower(p[1]) "=" } }
     function emit() { for (i = 1; i <= n; i++) print v[i]; done = 1 }
     { line = $0; sub(/\r$/, "", line) }
     inkey && line ~ /^[ \t]*\[/ { emit(); inkey = 0 }
     tolower(line) == tolower(key) { print line; inkey = 1; next }
     inkey { low = tolower(line); sub(/^[ \t]+/, "", low)
             for (i = 1; i <= n; i++) if (index(low, names[i]) == 1) next }
     { print line }
     END { if (inkey) emit(); else if (!done) { print ""; print key; emit() } }' \
  "$registry" > "$registry.new"
mv "$registry.new" "$registry"

# --- the program ------------------------------------------------------------------------
cd "$var"
export WAREHOUSE_REGISTRY="$registry"
program="$top/build/src/warehouse"
echo "Starting the program on 127.0.0.1:$port ($main_db, $setup_db) in $var"
if [ -n "${DISPLAY:-}" ]; then
  exec "$program" "$@"
fi
echo "No display: the program runs under xvfb-run (a virtual screen)."
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$program" "$@"
