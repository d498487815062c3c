#!/usr/bin/env bash
# A userspace iSCSI target (tgtd) with one file-backed logical unit, for the contract
# test of the simulated SCSI units.
#   tgt-target.sh start DIR   starts tgtd on a free local port; writes DIR/url (the iSCSI
#                             URL of LUN 1), DIR/pid and DIR/control (its management port)
#   tgt-target.sh stop DIR    deletes the target and the system, then ends that tgtd by its pid
set -euo pipefail
command=$1 dir=$2
tid=1
iqn=iqn.2026-12.org.example:contract

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

case "$command" in
start)
  mkdir -p "$dir"
  truncate -s 16M "$dir/lu.img"
  for _ in $(seq 1 20); do
    port=$((20000 + RANDOM % 40000))
    port_in_use "$port" && continue
    # The management channel is a socket named after the control port: one per tgtd.
    # tgtd outlives this script: it keeps no descriptor of the caller's (pipes would never end).
    (
      for fd in /proc/$BASHPID/fd/*; do
        n=${fd##*/}
        ((n > 2)) && eval "exec $n>&-"
      done
      exec tgtd -f -C "$port" --iscsi portal=127.0.0.1:"$port" </dev/null >"$dir/tgtd.log" 2>&1
    ) &
    pid=$!
    for _ in $(seq 1 50); do
      tgtadm -C "$port" --op show --mode sys >/dev/null 2>&1 && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null && port_in_use "$port"; then
      echo "$pid" >"$dir/pid"
      echo "$port" >"$dir/control"
      tgtadm -C "$port" --lld iscsi --op new --mode target --tid $tid -T $iqn
      tgtadm -C "$port" --lld iscsi --op new --mode logicalunit --tid $tid --lun 1 -b "$dir/lu.img"
      tgtadm -C "$port" --lld iscsi --op bind --mode target --tid $tid -I ALL
      echo "iscsi://127.0.0.1:$port/$iqn/1" >"$dir/url"
      exit 0
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  echo "tgtd did not start (see $dir/tgtd.log)" >&2
  exit 1
  ;;
stop)
  control=$(cat "$dir/control")
  pid=$(cat "$dir/pid")
  # tgtd may ignore SIGTERM while it serves a target: take the target and the system down first.
  tgtadm -C "$control" --op delete --mode target --tid $tid --force >/dev/null 2>&1 || true
  tgtadm -C "$control" --op delete --mode system >/dev/null 2>&1 || true
  for _ in $(seq 1 30); do
    kill -0 "$pid" 2>/dev/null || exit 0
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  sleep 0.5
  kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null
  exit 0
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
