#!/usr/bin/env bash
# Fuzzes the settings-file lookup with libFuzzer for a bounded time, in
# build-fuzz. Starts from the checked-in corpus fuzz/corpus, which it only
# reads; new inputs go to build-fuzz/found, a crashing one to build-fuzz/ and
# the script then fails. To keep a find, copy it into fuzz/corpus.
# Usage: scripts/fuzz.sh [seconds, default 60]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
"$root/scripts/install-deps.sh" cmake make clang libclang-rt-14-dev pkg-config qt6-base-dev \
    qt6-serialport-dev libgl-dev
cmake -S "$root" -B "$root/build-fuzz" -DVEXEL_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build-fuzz" -j"$(nproc)" --target fuzz_readinivalue
mkdir -p "$root/build-fuzz/found"
cd "$root/build-fuzz"
# Lines beyond the reader's 64 KiB line buffer are within reach of -max_len.
./fuzz/fuzz_readinivalue -max_total_time="$seconds" -max_len=70000 -timeout=5 -rss_limit_mb=2048 \
    -dict="$root/fuzz/inireader.dict" -artifact_prefix="$root/build-fuzz/" -print_final_stats=1 \
    "$root/build-fuzz/found" "$root/fuzz/corpus"
