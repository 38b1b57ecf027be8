#!/usr/bin/env bash
# Runs a test program in PID, network and mount namespaces of its own: it
# sees only the processes it starts (with /proc remounted), and the abstract
# sockets that stand for host windows and named mutexes are its own, while
# loopback still works for its HTTP servers.
set -euo pipefail
user_ns=()
[ "$(id -u)" -eq 0 ] || user_ns=(--user --map-root-user)
exec unshare "${user_ns[@]}" --pid --net --mount --fork --kill-child --mount-proc \
  sh -c 'ip link set lo up && exec "$@"' isolated "$@"
