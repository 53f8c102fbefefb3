#!/usr/bin/env bash
# One command on a fresh machine: installs what is missing, builds, and runs the tool against the
# panel simulator over a pseudo-terminal.
#
# The tool keeps its settings and reports beside its executable, so it runs from a demo
# directory (build/demo/) holding a copy of the executable and settings written for the
# simulator. Nothing outside build/demo/ is written; settings files of your own elsewhere are
# never touched.
#
#   ./scripts/run.sh [tool arguments]
#   ORVANT_SIM_ARGS="--slaves 4 --scenario alarm" ./scripts/run.sh   # simulator options
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/build.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    # Without a desktop the window runs offscreen: the tool and the simulator talk as usual and
    # the reports fill; Ctrl+C closes the window the normal way.
    echo "run.sh: there is no display (DISPLAY and WAYLAND_DISPLAY are empty): the window runs"
    echo "        offscreen. Press Ctrl+C to close it."
    export QT_QPA_PLATFORM=offscreen
fi

demo="$root/build/demo"
link="$demo/panel-link"
simlog="$demo/panel-sim.log"
mkdir -p "$demo"
cp -f build/release/orvant2 "$demo/orvant2"

# Fresh settings every run: the simulator starts with a new event log, so the event index the
# tool remembered from an earlier run would be wrong for it.
write_settings() { # file, lines...
    local file=$1
    shift
    if [ -e "$file" ]; then
        echo "run.sh: resetting $file for the simulator"
    fi
    printf '%s\r\n' "$@" >"$file"
}
write_settings "$demo/ComPort.ini" "[ComPort1]" "Port=$link" "BaudRate=115200" "StopBits=1" \
    "DataBits=8" "Parity=None" "FlowControl=None"
# UDP off and a loopback address: the demo talks to the simulator over the pseudo-terminal, and
# no datagram of it can leave this machine.
write_settings "$demo/Kelm2.ini" "[General]" "UDP=0" "IP=127.0.0.1"

# The simulator runs in the background; its own output goes to a log file.
read -r -a sim_args <<<"${ORVANT_SIM_ARGS:---slaves 2 --scenario tour}"
build/release/tools/orvant2-panel-sim --link "$link" --no-keys "${sim_args[@]}" \
    </dev/null >"$simlog" 2>&1 &
sim_pid=$!
stop_simulator() {
    if kill -0 "$sim_pid" 2>/dev/null; then
        kill -TERM "$sim_pid"
        wait "$sim_pid" || true
    fi
}
trap stop_simulator EXIT
trap 'exit 130' INT TERM

for _ in $(seq 600); do
    [ -L "$link" ] && break
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        echo "run.sh: the panel simulator did not start:"
        cat "$simlog"
        exit 1
    fi
    sleep 0.1
done
if [ ! -L "$link" ]; then
    echo "run.sh: the simulator's link $link did not appear; see $simlog"
    exit 1
fi

echo "run.sh: panel simulator on $link (its log: $simlog)"
echo "run.sh: starting $demo/orvant2"
status=0
"$demo/orvant2" "$@" || status=$?
exit "$status"
