#!/usr/bin/env bash
# The Debian package as a user meets it: built with CPack from this build, unpacked into a
# scratch root, its desktop entry validated, and the installed tool run by a user who cannot
# write in its /usr/bin, on a pseudo-terminal from the installed simulator. Every file of the run
# must land in that user's ~/.local/share/orvant2, none beside the program.
#   package_install_test.sh BUILD_DIR
# Run as root, the programs run as "nobody"; otherwise as the caller, /usr/bin made read-only.
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
chmod 755 "$scratch" # the user below must reach its home in here
pids=()
trap 'kill -TERM "${pids[@]}" 2>/dev/null || true; wait || true; rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch/package" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(echo "$scratch"/package/orvant2_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
grep -q 'libqt6widgets6 (>=' <<<"$depends" || fail "Depends not computed: $depends"
root="$scratch/root"
dpkg -x "$deb" "$root"
for file in applications/orvant2.desktop icons/hicolor/scalable/apps/orvant2.svg \
    man/man1/orvant2.1.gz man/man1/orvant2-panel-sim.1.gz doc/orvant2/README; do
    [ -f "$root/usr/share/$file" ] || fail "the package lacks /usr/share/$file"
done
desktop-file-validate "$root/usr/share/applications/orvant2.desktop" || fail "desktop entry"

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
for _ in $(seq 100); do [ -L "$link" ] && break; sleep 0.1; done
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
    tail -n 1 "$report" | grep -q 'Rep End' || fail "$report has no end marker"
done
for file in Zaznam.BIN Orvant2.lock; do [ -e "$data/$file" ] || fail "no $file in $data"; done
grep -q '^PocetZar=1' "$data/Kelm2.ini" && grep -q '^Adr=' "$data/Kelm2.ini" ||
    fail "the event bookkeeping or the settings saved at close are not in $data/Kelm2.ini"
others=$(find "$root/usr/bin" -mindepth 1 ! -name orvant2 ! -name orvant2-panel-sim)
[ -z "$others" ] || fail "files beside the installed program: $others"
[ -z "$(find "$data" ! -user "$(stat -c %u "$home")")" ] || fail "files of another user in $data"
echo "package: $(basename "$deb") installed; the tool keeps every file in the user's data directory"
