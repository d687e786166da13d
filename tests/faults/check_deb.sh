#!/bin/bash
# Builds the .deb with CPack, unpacks it into a throw-away root (the system's
# package database is never touched), checks its control data and files,
# starts the unpacked program, and shows that a program whose folder it may
# not write keeps its files in the per-user data location.
#
#   check_deb.sh <build folder> <version> <application id>
set -euo pipefail
build=$1
version=$2
app_id=$3

fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# The unprivileged user below must reach the unpacked program.
chmod 755 "$work"

# --- build -----------------------------------------------------------------
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) \
  || { cat "$work/cpack.log"; fail "cpack -G DEB failed"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb=${debs[0]}
echo "built $(basename "$deb")"

# --- control data ----------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = cindral ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
for lib in libqt6widgets6 libqt6gui6 libqt6network6 libqt6dbus6 libqt6core6 libsqlite3-0 libc6 qt6-wayland; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
echo "Depends: $depends"

# --- contents --------------------------------------------------------------
root=$work/root
dpkg-deb -x "$deb" "$root"
for f in usr/bin/cindral \
         "usr/share/applications/$app_id.desktop" \
         "usr/share/metainfo/$app_id.metainfo.xml" \
         "usr/share/icons/hicolor/16x16/apps/$app_id.png" \
         "usr/share/icons/hicolor/256x256/apps/$app_id.png"; do
  [ -f "$root/$f" ] || fail "not in the package: $f"
done
[ -x "$root/usr/bin/cindral" ] || fail "cindral is not executable"
# Nothing outside /usr.
extra=$(cd "$root" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$extra" ] || fail "files outside /usr: $extra"
grep -q "^Exec=cindral" "$root/usr/share/applications/$app_id.desktop" \
  || fail "the .desktop file does not start cindral"

# --- the unpacked program starts -------------------------------------------
cindral=$root/usr/bin/cindral
out=$(QT_QPA_PLATFORM=offscreen "$cindral" --version)
[ "$out" = "cindral $version" ] || fail "--version said '$out'"
# Running for three seconds without dying is starting; timeout's 124 says
# it was still running when stopped.
set +e
CINDRAL_DATA_DIR=$work/started QT_QPA_PLATFORM=offscreen timeout 3 "$cindral" >"$work/start.log" 2>&1
rc=$?
set -e
[ $rc -eq 124 ] || { cat "$work/start.log"; fail "cindral ended with $rc within three seconds"; }
echo "the unpacked cindral starts and answers --version"

# --- a program folder it may not write -------------------------------------
# Root may write any folder, so as root the program runs as the user nobody,
# for whom the unpacked root-owned /usr/bin is read-only like an installed
# one; any other user makes the folder read-only.
home=$work/home
mkdir -p "$home"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || fail "running as root needs setpriv"
  chown 65534:65534 "$home"
  run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  chmod a-w "$root/usr/bin"
fi
"${run_as[@]}" test ! -w "$root/usr/bin" || fail "the program folder is still writable"

command -v xvfb-run >/dev/null && command -v xdotool >/dev/null \
  || fail "needs xvfb-run and xdotool"
# The bookmark window creates the bookmark store in the data folder; it is
# opened from the keyboard (Tools > Database) as a user would.
cat >"$work/session.sh" <<'EOF'
#!/bin/bash
set -u
"$1" & pid=$!
win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Cindral Palette Editor$' | head -n1)
[ -n "$win" ] || { kill $pid; echo "no main window"; exit 2; }
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
for attempt in 1 2 3 4 5; do
  xdotool key --clearmodifiers alt+t
  sleep 0.3
  xdotool key Down Return
  for i in $(seq 20); do
    [ -n "$(find "$XDG_DATA_HOME" "$(dirname "$1")" -name Database.sqlite 2>/dev/null)" ] && break 2
    sleep 0.2
  done
done
kill $pid
wait $pid 2>/dev/null
exit 0
EOF
chmod 755 "$work/session.sh"
set +e
env -u CINDRAL_DATA_DIR HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
  XDG_CACHE_HOME="$home/cache" QT_QPA_PLATFORM=xcb \
  "${run_as[@]}" xvfb-run -a -s "-screen 0 1280x1024x24" "$work/session.sh" "$cindral" \
  >"$work/session.log" 2>&1
rc=$?
set -e
[ $rc -eq 0 ] || { cat "$work/session.log"; fail "the session under Xvfb failed ($rc)"; }
[ -f "$home/data/cindral/Database.sqlite" ] || {
  cat "$work/session.log"; find "$home" "$root/usr/bin" >&2
  fail "no bookmark store in the per-user data location $home/data/cindral"; }
[ "$(ls "$root/usr/bin")" = cindral ] || fail "files written next to the program: $(ls "$root/usr/bin")"
echo "a read-only program folder: files kept in $home/data/cindral"
