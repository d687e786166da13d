#!/bin/bash
# Builds the .deb, unpacks it into a throw-away root (the system's package
# database is never touched), checks what it holds, and runs the program
# from a folder it may not write: it keeps its files in the per-user data
# location.   check_deb.sh <build folder> <version> <application id>
set -euo pipefail
build=$1 version=$2 app_id=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; cat "$work"/*.log >&2 || true; exit 1; }
chmod 755 "$work" # the user below must reach the program

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || fail "cpack -G DEB failed"
deb=$(echo "$work"/out/*.deb)
[ -f "$deb" ] || fail "expected one .deb: $deb"
[ "$(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version)" = "cindral $version" ] \
  || fail "control data: $(dpkg-deb -f "$deb" Package Version)"
for lib in libqt6widgets6 libqt6network6 libqt6dbus6 libsqlite3-0 qt6-wayland; do
  dpkg-deb -f "$deb" Depends | grep -qw "$lib" || fail "Depends lacks $lib"
done
root=$work/root
dpkg-deb -x "$deb" "$root"
for f in bin/cindral "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml" \
         "share/icons/hicolor/256x256/apps/$app_id.png"; do
  [ -f "$root/usr/$f" ] || fail "not in the package: /usr/$f"
done
[ "$(ls "$root")" = usr ] || fail "files outside /usr: $(ls "$root")"
out=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/cindral" --version)
[ "$out" = "cindral $version" ] || fail "--version said '$out'"

# As root the program runs as nobody, for whom the root-owned unpacked
# /usr/bin is read-only like an installed one; other users make it so.
home=$work/home
mkdir "$home"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
  chown 65534:65534 "$home"
  run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  chmod a-w "$root/usr/bin"
fi
"${run_as[@]}" test ! -w "$root/usr/bin" || fail "the program folder is still writable"
# The bookmark window (Tools > Database, from the keyboard) makes the store.
cat >"$work/session.sh" <<'EOF'
"$1" & pid=$!
win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Cindral Palette Editor$' | head -n1)
for attempt in 1 2 3 4 5; do
  xdotool windowfocus "$win" key --clearmodifiers alt+t sleep 0.3 key Down Return
  for i in $(seq 20); do
    [ -n "$(find "$XDG_DATA_HOME" "${1%/*}" -name Database.sqlite)" ] && break 2
    sleep 0.2
  done
done
kill $pid
EOF
env -u CINDRAL_DATA_DIR HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
  XDG_CACHE_HOME="$home/cache" QT_QPA_PLATFORM=xcb "${run_as[@]}" \
  xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/session.sh" "$root/usr/bin/cindral" \
  >"$work/session.log" 2>&1 || fail "the session under Xvfb failed"
[ -f "$home/data/cindral/Database.sqlite" ] || fail "no bookmark store in $home/data/cindral"
[ "$(ls "$root/usr/bin")" = cindral ] || fail "files next to the program: $(ls "$root/usr/bin")"
echo "$(basename "$deb"): installs, runs, and keeps its files in $home/data/cindral"
