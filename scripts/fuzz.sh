#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs the scene-file fuzzer: scripts/fuzz.sh [SECONDS]
# (60 by default). The corpus starts from freshly written scene files and stays in build-fuzz/corpus.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
"$root/scripts/setup.sh"
CC=clang CXX=clang++ "$root/scripts/build.sh" build-fuzz -DOSTRIVANS_FUZZ=ON -DOSTRIVANS_TESTS=OFF
fuzzer="$root/build-fuzz/fuzz/fuzz_scene_file"
if [ ! -x "$fuzzer" ]; then
    echo "fuzz: no libFuzzer runtime, nothing to run" >&2
    exit 0
fi
corpus="$root/build-fuzz/corpus"
mkdir -p "$corpus"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export OSTRIVANS_FUZZ_SEEDS="$corpus"
cd "$root/build-fuzz"
# New inputs go to the corpus; the inputs of fuzz/findings are read along with it, so every one the fuzzer
# once stopped on is tried again first.
"$fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=4096 "$corpus" "$root/fuzz/findings"
