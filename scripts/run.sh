#!/usr/bin/env bash
# Builds Corvane, installs it through its installer into build/run/app (with a registry file of
# this run, so the user's own settings and port map are untouched), and starts it. With a
# receiver attached on the port named by $CORVANE_PORT (default COM3:), it reads that receiver;
# otherwise it starts the built-in simulated receiver on a pseudo-terminal mapped to that port.
# With a display it opens the program's window; without one it runs `corvane --headless`, which
# prints the GPS screen's texts once a second. Closing the window (or Ctrl-C) ends it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)" --target cvinstall

run=$PWD/build/run
app=$run/app
export CORVANE_REGISTRY=$run/registry.reg
mkdir -p "$run"
build/release/setuphook/cvinstall install "$app" >/dev/null
cvtool=$app/cvtool
port=${CORVANE_PORT:-COM3:}

sim=
trap '[ -z "$sim" ] || kill "$sim" 2>/dev/null || true' EXIT
state=$("$cvtool" port | awk -v p="$port" '$1 == p { print $3 }')
if [ "$state" = present ] || [ "$state" = network ]; then
    echo "Reading the receiver on $port ($("$cvtool" port | awk -v p="$port" '$1 == p { print $2 }'))"
else
    echo "No receiver on $port: using the simulated receiver"
    sim_out=$run/simulator.out
    : >"$sim_out"
    "$cvtool" simulate --pty >"$sim_out" &
    sim=$!
    for _ in $(seq 50); do
        [ -s "$sim_out" ] && break
        sleep 0.1
    done
    "$cvtool" port "$port" "$(head -n 1 "$sim_out")" >/dev/null
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$app/corvane"
else
    echo "No display: corvane --headless (Ctrl-C ends it)"
    "$app/corvane" --headless
fi
