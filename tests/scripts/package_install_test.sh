#!/usr/bin/env bash
# The Debian package as a user meets it: built with CPack from this build, unpacked into a
# scratch root, its desktop entry validated, and the installed tool run by a user who cannot
# write in its /usr/bin, on a pseudo-terminal from the installed simulator. Its settings, reports,
# record file and lock must all be in that user's ~/.local/share/orvant2, none beside the program.
#   package_install_test.sh BUILD_DIR
# Run as root, the programs run as "nobody"; otherwise as the caller, with the unpacked
# /usr/bin made read-only.
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
chmod 755 "$scratch" # the user below must reach its home in here
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
    wait || true
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# --- the package ---------------------------------------------------------------------------------
cpack --config "$build/CPackConfig.cmake" -B "$scratch/package" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(echo "$scratch"/package/orvant2_*.deb)
[ -f "$deb" ] || fail "no orvant2_*.deb in $(ls "$scratch/package")"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6; do
    grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$scratch/contents"
for file in /usr/bin/orvant2 /usr/bin/orvant2-panel-sim /usr/share/applications/orvant2.desktop \
    /usr/share/icons/hicolor/scalable/apps/orvant2.svg /usr/share/man/man1/orvant2.1.gz \
    /usr/share/man/man1/orvant2-panel-sim.1.gz /usr/share/doc/orvant2/README; do
    grep -qx "$file" "$scratch/contents" || fail "the package lacks $file"
done
if grep -E '\.(ini|BIN)$' "$scratch/contents"; then
    fail "the package carries settings of the build"
fi
root="$scratch/root"
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/orvant2.desktop" ||
    fail "desktop-file-validate"
grep -q 'dialout' "$root/usr/share/doc/orvant2/README" || fail "the README does not name dialout"

# --- the user, their home, and settings that keep the tool on the pseudo-terminal ---------------
home="$scratch/home"
data="$home/.local/share/orvant2"
link="$home/panel"
mkdir -p "$data"
printf '[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n' >"$data/Kelm2.ini"
printf '[ComPort1]\r\nPort=%s\r\nBaudRate=115200\r\n' "$link" >"$data/ComPort.ini"
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody: "$home"
    as_user=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
else
    chmod a-w "$root/usr/bin"
    as_user=()
fi
run() { # the installed program, as the user, in a bare environment, in place of the (background) shell
    exec "${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen "$@"
}

run "$root/usr/bin/orvant2-panel-sim" --link "$link" --no-keys --backlog 5 \
    </dev/null >"$scratch/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -L "$link" ] && break
    sleep 0.1
done
[ -L "$link" ] || { cat "$scratch/sim.log"; fail "the simulator's link did not appear"; }

run "$root/usr/bin/orvant2" </dev/null >"$scratch/tool.log" 2>&1 &
tool=$!
pids+=("$tool")

# Until a status line is in the data report and an event line in the event report; the limit
# only ends a run that never gets there.
lines() { # report directory: lines of its day's files other than markers
    cat "$data/$1"/*.txt 2>/dev/null | grep -cv '\*\*\*\*\*' || true
}
for _ in $(seq 600); do
    [ "$(lines ReportData)" -ge 1 ] && [ "$(lines ReportUdal)" -ge 1 ] && break
    kill -0 "$tool" 2>/dev/null || break
    sleep 0.1
done
kill -TERM "$tool" 2>/dev/null || true
status=0
wait "$tool" || status=$?
[ "$status" -eq 0 ] || { cat "$scratch/tool.log"; fail "the tool ended with $status"; }

# --- where everything went ----------------------------------------------------------------------
ls -lR "$data" >"$scratch/listing"
[ "$(lines ReportData)" -ge 1 ] || { cat "$scratch/tool.log" "$scratch/listing"; fail "no data line"; }
[ "$(lines ReportUdal)" -ge 1 ] || { cat "$scratch/tool.log" "$scratch/listing"; fail "no event line"; }
for report in "$data"/ReportData/Kelm2_Data_*.txt "$data"/ReportUdal/Kelm2_Udal_*.txt; do
    [ -f "$report" ] || fail "no report file $report"
    head -n 1 "$report" | grep -q 'Rep Start' || fail "$report does not begin with its start marker"
    tail -n 1 "$report" | grep -q 'Rep End' || fail "$report does not end with its end marker"
done
for file in Zaznam.BIN Orvant2.lock; do
    [ -e "$data/$file" ] || { cat "$scratch/listing"; fail "no $file in $data"; }
done
grep -q '^PocetZar=1' "$data/Kelm2.ini" || fail "the event bookkeeping is not in $data/Kelm2.ini"
grep -q '^Adr=' "$data/Kelm2.ini" || fail "the settings were not saved at close"
others=$(find "$root/usr/bin" -mindepth 1 ! -name orvant2 ! -name orvant2-panel-sim)
[ -z "$others" ] || fail "files beside the installed program: $others"
[ -z "$(find "$data" ! -user "$(stat -c %u "$home")")" ] || fail "files in $data of another user"
echo "package: $(basename "$deb") installs, validates and keeps every file in the user's data" \
    "directory ($(lines ReportData) data lines, $(lines ReportUdal) event lines)"
