#!/usr/bin/env bash
# Installs what the build needs and builds into ./build (the program folder).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/install-deps.sh" cmake make g++ pkg-config qt6-base-dev qt6-serialport-dev \
    libgl-dev fonts-wine
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)"
