#!/usr/bin/env bash
# Renders every screen and dialog of Corvane, in the landscape and the portrait layout, to PNG
# files in docs/images/ (or the folder given), from one fixed receiver state, on the offscreen
# platform: no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/images}
./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)" --target corvane-screenshots
QT_QPA_PLATFORM=offscreen build/release/ui/corvane-screenshots "$out" 2> >(grep -v -e propagateSizeHints -e 'support raise' -e XDG_RUNTIME_DIR >&2)
