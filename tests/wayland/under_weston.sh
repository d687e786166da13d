#!/bin/sh
# Runs a program under a headless Weston and a private D-Bus session bus,
# both its own and stopped when it ends; status 77 skips. WESTON_ARGS adds
# options (--debug lets weston-screenshooter take a picture).
set -u
for tool in weston dbus-daemon; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
ls "$(qtpaths6 --query QT_INSTALL_PLUGINS)"/platforms/*qwayland* >/dev/null 2>&1 ||
  { echo "SKIP: Qt's Wayland platform plugin (qt6-wayland) is not installed"; exit 77; }
XDG_RUNTIME_DIR=$(mktemp -d "${TMPDIR:-/tmp}/cindral-wayland.XXXXXX") || exit 1
export XDG_RUNTIME_DIR
weston_pid= bus_pid=
trap 'kill $weston_pid $bus_pid 2>/dev/null; wait; rm -rf "$XDG_RUNTIME_DIR"' EXIT
trap 'exit 1' INT TERM
weston --backend=headless-backend.so --socket=wayland-cindral --idle-time=0 --use-pixman \
       --width=1024 --height=768 ${WESTON_ARGS:-} >"$XDG_RUNTIME_DIR/weston.log" 2>&1 &
weston_pid=$!
dbus-daemon --session --nofork --address="unix:path=$XDG_RUNTIME_DIR/bus" >/dev/null 2>&1 &
bus_pid=$!
tries=0
until [ -S "$XDG_RUNTIME_DIR/wayland-cindral" ] && [ -S "$XDG_RUNTIME_DIR/bus" ]; do
  tries=$((tries + 1))
  if [ $tries -gt 100 ] || ! kill -0 $weston_pid 2>/dev/null || ! kill -0 $bus_pid 2>/dev/null; then
    echo "Weston or the session bus did not start:"; cat "$XDG_RUNTIME_DIR/weston.log"; exit 1
  fi
  sleep 0.1
done
WAYLAND_DISPLAY=wayland-cindral DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus" \
  QT_QPA_PLATFORM=wayland env -u DISPLAY "$@"
status=$?
exit $status
