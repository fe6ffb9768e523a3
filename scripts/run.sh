#!/usr/bin/env bash
# Installs what is missing, builds, and runs the exerciser against the controller simulator
# on 127.0.0.1. The exerciser runs as a copy in build/demo/ with a settings file written fresh
# each time, so the demo never touches build/bin/qm47.ini and never connects anywhere else.
# With a display it runs until the window is closed; without one it runs under Xvfb for a few
# seconds, saves a screenshot and ends the program with SIGTERM, as a desktop session would.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target qm47 qm47-sim

demo=build/demo
mkdir -p "$demo"
cp build/bin/qm47 "$demo/qm47"
rm -f "$demo/sim.log" "$demo/screenshot.png"

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

build/bin/qm47-sim --host 127.0.0.1 --port 0 --follow-outputs </dev/null >"$demo/sim.log" 2>&1 &
pids+=($!)
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$demo/sim.log" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the simulator did not start:"; cat "$demo/sim.log"; exit 1; }
printf '[Settings]\r\nIPAddress=127.0.0.1\r\nPort=%s\r\nFilterEcho=1\r\nHexOut=1\r\n' "$port" \
  >"$demo/qm47.ini"
echo "simulator on 127.0.0.1:$port (log: $demo/sim.log)"

if [ -n "${DISPLAY:-}" ]; then
  "$demo/qm47"
  exit 0
fi

display=99
while [ -e "/tmp/.X${display}-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$demo/qm47" &
app=$!
sleep 2
# Play the operator for the screenshot: Connect, switch output 3 on, read the inputs once.
# Without a window manager the window's client area sits at its designed place, 109,49.
click() { xdotool mousemove $((109 + $1)) $((49 + $2)) click 1; sleep 0.5; }
click 374 16   # Connect
click 72 52    # output switch 3
click 412 56   # Read Once
sleep 1
import -window root "$demo/screenshot.png"
kill -TERM "$app"
wait "$app" || true
echo "screenshot: $demo/screenshot.png"
echo "settings written back: $demo/qm47.ini"
