#!/usr/bin/env bash
# Installs what the build needs and builds.
# Usage: scripts/build.sh [BUILD_FOLDER [CMAKE_OPTIONS...]]
# The default folder ./build is the program folder that ./run starts from.
# VEXEL_WERROR=ON in the environment (as .ci/run sets it) fails on any compiler
# warning; otherwise warnings stay warnings.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
shift || true
[ $# -gt 0 ] || set -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
"$root/scripts/install-deps.sh" cmake make g++ pkg-config qt6-base-dev qt6-serialport-dev libgif-dev \
    libgl-dev fonts-wine
cmake -S "$root" -B "$build" -DVEXEL_WERROR="${VEXEL_WERROR:-OFF}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
