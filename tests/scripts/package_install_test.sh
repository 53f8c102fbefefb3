#!/usr/bin/env bash
# The Debian package as a user meets it: built with CPack from this build, checked by Debian's own
# tools as a packager would (lintian: no error, no warning; the AppStream metadata and the desktop
# entry valid and of one id; the programs stripped, their debug information in the debug-symbols
# package), unpacked into a scratch root, and the installed tool run by a user who cannot write
# in its /usr/bin, on a pseudo-terminal from the installed simulator. Every file of the run must
# land in that user's ~/.local/share/orvant2, none beside the program. Last, the installed tool on
# an X server of its own must show its icon (_NET_WM_ICON) and the class the desktop entry names.
#   package_install_test.sh BUILD_DIR
# Run as root, the programs run as "nobody"; otherwise as the caller, /usr/bin made read-only.
set -euo pipefail
# Under pipefail a reader that stops early (head, grep -q) can kill the writer with SIGPIPE and so
# end this script without a word when the machine is slow: pipes here are read to their end.
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
chmod 755 "$scratch" # the user below must reach its home in here
pids=()
trap 'kill -TERM "${pids[@]}" 2>/dev/null || true; wait || true; rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND"' ERR

cpack --config "$build/CPackConfig.cmake" -B "$scratch/package" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(echo "$scratch"/package/orvant2_*.deb)
dbgsym=$(echo "$scratch"/package/orvant2-dbgsym_*.ddeb)
[ -f "$deb" ] && [ -f "$dbgsym" ] || fail "cpack made no package and debug-symbols package"
depends=$(dpkg-deb -f "$deb" Depends)
grep -q 'libqt6widgets6 (>=' <<<"$depends" || fail "Depends not computed: $depends"
grep -q 'libqt6svg6' <<<"$depends" || fail "no Depends on Qt's SVG engine for the icon: $depends"
# Errors and warnings fail; pedantic and info tags are shown only.
if ! lintian --fail-on error,warning --display-info "$deb" "$dbgsym" >"$scratch/lintian.log" 2>&1; then
    cat "$scratch/lintian.log"
    fail "lintian finds errors or warnings in the packages"
fi
root="$scratch/root"
dpkg -x "$deb" "$root"
id=org.orvant2.orvant2
for file in applications/$id.desktop metainfo/$id.metainfo.xml \
    icons/hicolor/scalable/apps/orvant2.svg man/man1/orvant2.1.gz man/man1/orvant2-panel-sim.1.gz \
    doc/orvant2/README doc/orvant2/copyright doc/orvant2/changelog.gz; do
    [ -f "$root/usr/share/$file" ] || fail "the package lacks /usr/share/$file"
done
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >"$scratch/appstream.log" 2>&1 ||
    { cat "$scratch/appstream.log"; fail "AppStream metadata"; }
grep -q "<id>$id</id>" "$root/usr/share/metainfo/$id.metainfo.xml" &&
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
        "$root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "the AppStream id or launchable is not the desktop entry's name $id"
# The man page installed is the one the window's test reads.
source=$(cd "$(dirname "$0")/../.." && pwd)
zcat "$root/usr/share/man/man1/orvant2.1.gz" | cmp -s - "$source/packaging/orvant2.1" ||
    fail "the installed man page is not packaging/orvant2.1"

# Stripped programs; each one's debug information in the debug-symbols package under its build ID.
dpkg -x "$dbgsym" "$scratch/dbgsym"
for program in orvant2 orvant2-panel-sim; do
    binary="$root/usr/bin/$program"
    sections=$(readelf -S "$binary")
    ! grep -q '\.debug_info' <<<"$sections" || fail "$program ships its debug information"
    ! grep -q '\.symtab' <<<"$sections" || fail "$program is not stripped"
    build_id=$(readelf -n "$binary" | sed -n 's/^ *Build ID: *//p')
    [ -n "$build_id" ] || fail "$program has no build ID"
    debug="$scratch/dbgsym/usr/lib/debug/.build-id/${build_id:0:2}/${build_id:2}.debug"
    [ -f "$debug" ] && grep -q '\.debug_info' <<<"$(readelf -S "$debug" 2>/dev/null)" ||
        fail "no debug information for $program (build ID $build_id) in $(basename "$dbgsym")"
done

home="$scratch/home"
data="$home/.local/share/orvant2"
link="$home/panel"
mkdir -p "$data"
printf '[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n' >"$data/Kelm2.ini"
printf '[ComPort1]\r\nPort=%s\r\nBaudRate=115200\r\n' "$link" >"$data/ComPort.ini"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody: "$home"
    as_user=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
else
    chmod a-w "$root/usr/bin"
fi
run() { # an installed program as the user, bare environment, in place of this (background) shell
    exec "${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen "$@"
}
lines() { # the lines of a report directory's files other than markers
    cat "$data/$1"/*.txt 2>/dev/null | grep -cv '\*\*\*\*\*' || true
}

run "$root/usr/bin/orvant2-panel-sim" --link "$link" --no-keys --backlog 5 </dev/null >/dev/null &
pids+=($!)
for _ in $(seq 600); do [ -L "$link" ] && break; sleep 0.1; done
run "$root/usr/bin/orvant2" </dev/null >"$scratch/tool.log" 2>&1 &
tool=$!
pids+=("$tool")
# Until a status line and an event line are in the reports; the limit only ends a run that
# never gets there.
for _ in $(seq 600); do
    [ "$(lines ReportData)" -ge 1 ] && [ "$(lines ReportUdal)" -ge 1 ] && break
    kill -0 "$tool" 2>/dev/null || break
    sleep 0.1
done
kill -TERM "$tool" 2>/dev/null || true
status=0
wait "$tool" || status=$?
[ "$status" -eq 0 ] || { cat "$scratch/tool.log"; fail "the tool ended with $status"; }

[ "$(lines ReportData)" -ge 1 ] && [ "$(lines ReportUdal)" -ge 1 ] ||
    { cat "$scratch/tool.log"; ls -lR "$data"; fail "no data line or no event line in $data"; }
for report in "$data"/Report{Data,Udal}/*.txt; do
    grep -q 'Rep End' <<<"$(tail -n 1 "$report")" || fail "$report has no end marker"
done
for file in Zaznam.BIN Orvant2.lock; do [ -e "$data/$file" ] || fail "no $file in $data"; done
grep -q '^PocetZar=1' "$data/Kelm2.ini" && grep -q '^Adr=' "$data/Kelm2.ini" ||
    fail "the event bookkeeping or the settings saved at close are not in $data/Kelm2.ini"
others=$(find "$root/usr/bin" -mindepth 1 ! -name orvant2 ! -name orvant2-panel-sim)
[ -z "$others" ] || fail "files beside the installed program: $others"
[ -z "$(find "$data" ! -user "$(stat -c %u "$home")")" ] || fail "files of another user in $data"

# The installed tool's window on an X server of its own: its icon is the installed one (drawn
# through Qt's SVG engine), and its class is the one the desktop entry names for the task bar.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$scratch/display" 2>"$scratch/xvfb.log" &
pids+=($!)
for _ in $(seq 600); do [ -s "$scratch/display" ] && break; sleep 0.1; done
display=":$(cat "$scratch/display")"
[ "$display" != ":" ] || { cat "$scratch/xvfb.log"; fail "Xvfb did not start"; }
run DISPLAY="$display" QT_QPA_PLATFORM=xcb "$root/usr/bin/orvant2" </dev/null >"$scratch/x.log" 2>&1 &
tool=$!
pids+=("$tool")
window=
for _ in $(seq 600); do
    window=$(xwininfo -display "$display" -root -tree 2>/dev/null |
        sed -n 's/^ *\(0x[0-9a-f]*\) "Orvant  v2.1".*/\1/p' | sed -n 1p)
    [ -n "$window" ] && break
    kill -0 "$tool" 2>/dev/null || break
    sleep 0.1
done
[ -n "$window" ] || { cat "$scratch/x.log"; fail "the installed tool showed no window on $display"; }
icon=$(xprop -display "$display" -id "$window" _NET_WM_ICON | sed -n 1,2p)
grep -q 'Icon (' <<<"$icon" || fail "the window has no icon of its own: $icon"
wm_class=$(xprop -display "$display" -id "$window" WM_CLASS)
startup_class=$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/$id.desktop")
grep -q "\"$startup_class\"\$" <<<"$wm_class" ||
    fail "the window's class ($wm_class) is not the desktop entry's StartupWMClass $startup_class"
kill -TERM "$tool"
status=0
wait "$tool" || status=$?
[ "$status" -eq 0 ] || { cat "$scratch/x.log"; fail "the tool on $display ended with $status"; }

echo "package: $(basename "$deb") passes lintian and AppStream's check, ships stripped programs" \
    "with their debug symbols beside; installed, the tool keeps every file in the user's data" \
    "directory and shows its own icon"
