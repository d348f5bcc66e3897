#!/usr/bin/env bash
# Fuzzes the readers of outside input with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, each for a bounded time, in build-fuzz. Targets:
# readinivalue (the settings file), linewords (a command-file line),
# patterntext (a pattern in hex or drawn), commandplan (a whole command file),
# gifdecoder (a GIF picture).
# Each starts from its checked-in corpus fuzz/corpus/TARGET, which it only
# reads; new inputs go to build-fuzz/found/TARGET, a crashing one to
# build-fuzz/TARGET-crash-... and the script then fails. To keep a find, copy
# it into the corpus; every build replays the corpora as tests.
# Usage: scripts/fuzz.sh [TARGET|all [SECONDS, default 30 each]]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
all=(readinivalue linewords patterntext commandplan gifdecoder)
targets=("${1:-all}")
[ "${targets[0]}" = all ] && targets=("${all[@]}")
seconds="${2:-30}"
"$root/scripts/install-deps.sh" cmake make clang libclang-rt-14-dev pkg-config qt6-base-dev libgif-dev \
    qt6-serialport-dev libgl-dev
cmake -S "$root" -B "$build" -DVEXEL_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXEL_WERROR="${VEXEL_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for target in "${targets[@]}"; do
    options=(-max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$build/$target-")
    # Lines beyond the settings reader's 64 KiB line buffer are within reach.
    [ "$target" = readinivalue ] && options+=(-max_len=70000 -dict="$root/fuzz/readinivalue.dict")
    mkdir -p "$build/found/$target"
    echo "Fuzzing $target for $seconds s"
    # Standard input stays empty: a command file may name it as a pattern.
    "$build/fuzz/fuzz_$target" "${options[@]}" "$build/found/$target" "$root/fuzz/corpus/$target" \
        </dev/null 2>"$build/$target.log" || { tail -n 60 "$build/$target.log"; exit 1; }
    grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$build/$target.log" || true
done
