#!/usr/bin/env bash
# Runs Qt's static checker clazy (levels 0 and 1) over every translation unit
# of src/ and tools/, with the project's own warning flags as errors, from the
# compile commands of a clang build folder, build-clazy. Any finding fails.
# Usage: scripts/clazy.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-clazy"
"$root/scripts/install-deps.sh" cmake make clang clazy pkg-config qt6-base-dev qt6-serialport-dev libgif-dev \
    libgl-dev python3
checks=(
    level0
    level1
    # Asks for QString::midRef() and QStringRef, which Qt 6 no longer has.
    no-qstring-ref
)
# Configuring is enough: no file of src/ or tools/ includes generated code.
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
    -DCMAKE_BUILD_TYPE=Debug -DVEXEL_WERROR=ON -DVEXEL_BUILD_TESTS=OFF >/dev/null
python3 - "$build/compile_commands.json" "$root" >"$build/clazy-units" <<'PY'
import json, sys
commands, root = sys.argv[1], sys.argv[2]
units = {entry["file"] for entry in json.load(open(commands))}
print("\n".join(sorted(u for u in units if u.startswith((root + "/src/", root + "/tools/")))))
PY
echo "clazy: $(wc -l <"$build/clazy-units") translation units"
IFS=,
xargs -d '\n' -P "$(nproc)" -n 4 clazy-standalone -p "$build" --checks="${checks[*]}" <"$build/clazy-units" \
    || { echo "clazy: findings above"; exit 1; }
echo "clazy: no findings"
