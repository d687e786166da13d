#!/bin/sh
# Runs a program on a desktop of two screens side by side (800 x 600 each,
# the second at x 800), in a nested X server: a plain Xvfb with +xinerama
# puts both heads at 0,0. Usage: two_heads.sh <program> [arguments...]
set -u
ready=$(mktemp -u)
mkfifo "$ready"
Xephyr -displayfd 3 +xinerama -screen 800x600+0+0 -screen 800x600+800+0 -ac -br -noreset \
  3>"$ready" >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -f "$ready"' EXIT INT TERM
# The server names its display once it takes connections.
read -r number <"$ready" || { echo "Xephyr did not start" >&2; exit 1; }
DISPLAY=":$number" "$@"
