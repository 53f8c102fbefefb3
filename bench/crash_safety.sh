#!/usr/bin/env bash
# Crash safety at scale, for a reviewer to rerun (it takes a while, so it is no CI test): the
# program copies a backlog of event records from the panel simulator over a pseudo-terminal and
# is killed with SIGKILL at random moments, then started again, many times; a last run finishes
# the copy and is closed the normal way. It reports the records lost (must be 0), the records
# copied twice, lines torn, and whether "Kelm2.ini" was whole after every kill.
#
#   bench/crash_safety.sh [KILLS] [BACKLOG] [SEED]
#
# Defaults: 100 kills, a backlog of 500 records, a random seed (printed; give it to replay).
# Uses build/release (built when missing). Everything happens in a temporary directory that is
# removed at the end; the program finds its settings there, serial line only, UDP off.
set -euo pipefail
cd "$(dirname "$0")/.."
kills=${1:-100}
backlog=${2:-500}
seed=${3:-$RANDOM}
RANDOM=$seed
echo "kills $kills, backlog $backlog, seed $seed"

if [ ! -x build/release/orvant2 ] || [ ! -x build/release/tools/orvant2-panel-sim ]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build/release -j2 --target orvant2 orvant2-panel-sim >/dev/null
fi

dir=$(mktemp -d /tmp/orvant-crash-XXXXXX)
sim_pid=""
tool_pid=""
cleanup() {
    [ -n "$tool_pid" ] && kill -KILL "$tool_pid" 2>/dev/null || true
    [ -n "$sim_pid" ] && kill -TERM "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT

cp build/release/orvant2 "$dir/orvant2"
link="$dir/panel-link"
build/release/tools/orvant2-panel-sim --link "$link" --no-keys --slaves 0 \
    --backlog "$backlog" --capacity $((backlog + 100)) --id 00A1B2C3D400 \
    >"$dir/panel-sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -L "$link" ] && break; sleep 0.1; done
printf '[ComPort1]\r\nPort=%s\r\nBaudRate=115200\r\n' "$link" >"$dir/ComPort.ini"
printf '[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n' >"$dir/Kelm2.ini"

start_tool() {
    (cd /tmp && QT_QPA_PLATFORM=offscreen exec "$dir/orvant2" >>"$dir/orvant2.log" 2>&1) &
    tool_pid=$!
}

# "Kelm2.ini" is whole when it holds the General section and, once a panel was seen, its
# section with both keys, each line ended by CR LF.
ini_whole() {
    local ini="$dir/Kelm2.ini"
    [ -f "$ini" ] || return 1
    grep -q $'^\\[General\\]\r$' "$ini" || return 1
    if grep -q $'^PocetZar=1\r$' "$ini"; then
        grep -q $'^\\[Zar0\\]\r$' "$ini" && grep -q $'^index=[0-9]*\r$' "$ini" &&
            grep -q $'^id=00A1B2C3D400\r$' "$ini" || return 1
    fi
    [ "$(tail -c 2 "$ini" | od -An -tx1 | tr -d ' \n')" = "0d0a" ]
}

copied() { cat "$dir"/ReportUdal/*.txt 2>/dev/null | grep -c '^ind=' || true; }
lost_list() { comm -23 <(seq 0 $((backlog - 1)) | sort) <(uniq <<<"$indices" | sort) | sort -n | tr '\n' ' '; }

broken_ini=0
for kill in $(seq "$kills"); do
    start_tool
    # Anywhere from the start-up to a few polls into the copy, in milliseconds.
    sleep "$(printf '0.%03d' $((RANDOM % 1000)))"
    sleep $((RANDOM % 4))
    kill -KILL "$tool_pid"
    wait "$tool_pid" 2>/dev/null || true
    tool_pid=""
    ini_whole || { broken_ini=$((broken_ini + 1)); cp "$dir/Kelm2.ini" "$dir/broken-$kill.ini"; }
    printf '\rkill %d of %d, %d lines copied' "$kill" "$kills" "$(copied)"
done
echo

# The last run finishes the copy (one record a second, and a margin), then closes normally.
start_tool
deadline=$((SECONDS + backlog + 60))
distinct_indices() {
    cat "$dir"/ReportUdal/*.txt | sed -n 's/^ind= *\([0-9]*\);.*/\1/p' | sort -u | wc -l
}
while [ "$(distinct_indices)" -lt "$backlog" ] &&
    [ $SECONDS -lt $deadline ]; do
    sleep 1
done
kill -TERM "$tool_pid"
wait "$tool_pid" 2>/dev/null || true
tool_pid=""
ini_whole || broken_ini=$((broken_ini + 1))

lines=$(cat "$dir"/ReportUdal/*.txt | tr -d '\r')
indices=$(grep '^ind=' <<<"$lines" | sed 's/^ind= *\([0-9]*\);.*/\1/' | sort -n)
distinct=$(uniq <<<"$indices" | grep -c . || true)
total=$(grep -c . <<<"$indices" || true)
expected='^ind=[ 0-9]{3,5};tPC=[0-9:]{8} [0-9.]{10};t=[0-9:]{8} [0-9.]{10};ID=[0-9A-F]{12};Zar=[0-9A-F];Sm=[0-9A-F];Ud=[0-9A-F]{2};.+$'
markers='^[0-9.]{8} [0-9:]{8}  \*+ Rep (Start|End) \*+$'
torn=$(grep -Evc -e "$expected" -e "$markers" <<<"$lines" || true)
missing=$(comm -23 <(seq 0 $((backlog - 1)) | sort) <(uniq <<<"$indices" | sort) | wc -l)

echo "records in the backlog:      $backlog"
echo "records copied:              $distinct"
echo "records lost:                $missing $( [ "$missing" -gt 0 ] && echo "(indices: $(lost_list))")"
echo "records copied twice:        $((total - distinct))"
echo "lines torn:                  $torn"
echo "Kelm2.ini broken after kill: $broken_ini of $((kills + 1))"
[ "$missing" -eq 0 ] && [ "$torn" -eq 0 ] && [ "$broken_ini" -eq 0 ]
