#!/bin/sh
# Runs a program on a desktop of two screens side by side (800 x 600 each,
# the second at x 800), as a nested X server inside the current one: a plain
# Xvfb with +xinerama puts both heads at 0,0.
# Usage: two_heads.sh <program> [arguments...]
set -u
display=""
for n in $(seq 70 99); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    display=":$n"
    break
  fi
done
[ -n "$display" ] || { echo "no free display number" >&2; exit 1; }

Xephyr "$display" +xinerama -screen 800x600+0+0 -screen 800x600+800+0 -ac -br -noreset \
  >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null' EXIT INT TERM

number=${display#:}
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$number" ] && break
  sleep 0.1
done
[ -e "/tmp/.X11-unix/X$number" ] || { echo "Xephyr did not start" >&2; exit 1; }

DISPLAY="$display" "$@"
