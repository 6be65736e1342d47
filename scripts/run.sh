#!/usr/bin/env bash
# Builds Corvane and starts the built-in simulated receiver piped into the live GPS state view.
# Extra arguments go to the simulator (see `cvtool --help`). Ctrl-C ends it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)" --target cvtool
cvtool=build/release/tools/cvtool/cvtool
"$cvtool" simulate "$@" | "$cvtool" watch -
