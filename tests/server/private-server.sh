#!/usr/bin/env bash
# A private Firebird server on a free loopback port, for one test run.
#   private-server.sh start DIR [Required|Disabled]   builds DIR afresh and starts the server
#   private-server.sh stop DIR                         stops it
# start writes DIR/server.env (PORT, DIR, the users and their passwords, START_SECONDS) for the
# tests. The users are made afresh each run with random passwords: ANNA and BORIS may create
# databases, VERA may not.
set -euo pipefail

fbroot=/usr/lib/x86_64-linux-gnu/firebird/3.0
server=/usr/sbin/firebird
security_sql=/usr/share/firebird/3.0/security.sql

stop_server() {
  local dir=$1 pid
  [ -f "$dir/server.pid" ] || return 0
  pid=$(cat "$dir/server.pid")
  rm -f "$dir/server.pid"
  kill -0 "$pid" 2>/dev/null || return 0
  # TERM does not always end it; it gets 3 s.
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 30); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  for _ in $(seq 20); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.05
  done
}

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

password() {
  head -c 18 /dev/urandom | base64 | tr -dc 'A-Za-z0-9' | head -c 16
}

start_server() {
  local dir=$1 wirecrypt=${2:-Required}
  if [ ! -x "$server" ]; then
    echo "private-server: $server is missing; install firebird3.0-server" >&2
    exit 1
  fi
  stop_server "$dir"
  rm -rf "$dir"
  mkdir -p "$dir/lock" "$dir/tmp"
  dir=$(cd "$dir" && pwd)
  # The server, as another uid, must reach its files through every folder above them.
  chmod 0755 "$dir"
  local port
  port=$(free_port)
  cat > "$dir/firebird.conf" <<CONF
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
ServerMode = Super
AuthServer = Srp
AuthClient = Srp
UserManager = Srp
WireCrypt = $wirecrypt
SecurityDatabase = $dir/security3.fdb
DatabaseAccess = Restrict $dir
CONF
  cp "$fbroot/plugins.conf" "$dir/plugins.conf"
  echo "security.db = $dir/security3.fdb" > "$dir/databases.conf"
  ln -s "$fbroot/firebird.msg" "$dir/firebird.msg"
  # Without intl/ the embedded steps log "Can't load INTL module".
  ln -s "$fbroot/intl" "$dir/intl"
  ln -s "$fbroot/plugins" "$dir/plugins"

  local anna boris vera
  anna=$(password)
  boris=$(password)
  vera=$(password)
  {
    echo "create database '$dir/security3.fdb';"
    sed -n '/^\/\* Domain definitions/,$p' "$security_sql"
    echo "commit;"
    echo "create user ANNA password '$anna' using plugin Srp;"
    echo "create user BORIS password '$boris' using plugin Srp;"
    echo "create user VERA password '$vera' using plugin Srp;"
    echo "grant create database to user ANNA;"
    echo "grant create database to user BORIS;"
    echo "commit;"
  } > "$dir/users.sql"
  FIREBIRD=$dir FIREBIRD_LOCK=$dir/lock FIREBIRD_TMP=$dir/tmp \
    isql-fb -q -b -user SYSDBA -i "$dir/users.sql" > "$dir/isql.log" 2>&1 || {
      cat "$dir/isql.log" >&2
      exit 1
    }
  rm -f "$dir/users.sql"
  rm -rf "$dir/lock"/* "$dir/tmp"/*

  local run=()
  if [ "$(id -u)" -eq 0 ]; then
    chown -R 65534:65534 "$dir"
    run=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  fi
  local started
  started=$(date +%s.%N)
  # Its own session, with no descriptor of the caller: CTest waits for the setup's pipes.
  FIREBIRD=$dir FIREBIRD_LOCK=$dir/lock FIREBIRD_TMP=$dir/tmp \
    setsid "${run[@]}" "$server" < /dev/null > "$dir/server.log" 2>&1 &
  echo $! > "$dir/server.pid"
  local up=0
  for _ in $(seq 100); do
    if (exec 3<> "/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      up=1
      break
    fi
    sleep 0.05
  done
  if [ $up -ne 1 ]; then
    echo "private-server: no answer on 127.0.0.1:$port" >&2
    cat "$dir/server.log" >&2
    stop_server "$dir"
    exit 1
  fi
  local seconds
  seconds=$(echo "$(date +%s.%N) - $started" | bc 2>/dev/null || echo "?")
  cat > "$dir/server.env" <<ENV
PORT=$port
DIR=$dir
WIRECRYPT=$wirecrypt
ANNA_PASSWORD=$anna
BORIS_PASSWORD=$boris
VERA_PASSWORD=$vera
START_SECONDS=$seconds
ENV
  chmod 0600 "$dir/server.env"
  echo "private-server: listening on 127.0.0.1:$port (WireCrypt = $wirecrypt) after ${seconds} s"
}

case "${1:-}" in
  start) start_server "$2" "${3:-Required}" ;;
  stop) stop_server "$2" ;;
  *) echo "usage: $0 start|stop DIR [Required|Disabled]" >&2; exit 2 ;;
esac
