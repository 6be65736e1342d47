#!/usr/bin/env bash
# Builds Corvane and runs its engine as the program does (start-up on an application directory,
# the port, the reader and the link supervision) with the live view of the GPS state and the
# link. With a receiver attached on the port named by $CORVANE_PORT (default COM3:, mapped with
# `cvtool port`), it reads that receiver; otherwise it starts the built-in simulated receiver on
# a pseudo-terminal. Ctrl-C ends it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)" --target cvtool
cvtool=$PWD/build/release/tools/cvtool/cvtool
port=${CORVANE_PORT:-COM3:}

# The application directory of this run: the tables, and the cv.ini the engine writes.
app=$PWD/build/run
mkdir -p "$app"
cp share/ellips.dat share/3_param.dat share/7_param.dat share/WMM.COF "$app"/

state=$("$cvtool" port | awk -v p="$port" '$1 == p { print $3 }')
if [ "$state" = present ] || [ "$state" = network ]; then
    echo "Reading the receiver on $port ($("$cvtool" port | awk -v p="$port" '$1 == p { print $2 }'))"
    exec "$cvtool" watch "$port" --dir "$app"
fi

echo "No receiver on $port: using the simulated receiver"
# A registry of this run only, so the user's port map is left as it is.
export CORVANE_REGISTRY=$app/registry.reg
sim_out=$app/simulator.out
"$cvtool" simulate --pty >"$sim_out" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -s "$sim_out" ] && break
    sleep 0.1
done
pty=$(head -n 1 "$sim_out")
"$cvtool" port "$port" "$pty"
"$cvtool" watch "$port" --dir "$app"
