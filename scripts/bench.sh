#!/usr/bin/env bash
# Builds and runs the benchmarks (optimised, no tests): scripts/bench.sh [benchmark options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=true
cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOSTRIVANS_TESTS=OFF \
      -DOSTRIVANS_BENCH=ON >/dev/null
cmake --build "$root/build-bench" -j "$(nproc)" --target bench_scene_files bench_reference_load \
      bench_script_interface bench_manager_window
"$root/build-bench/bench/bench_scene_files" "$@"
"$root/build-bench/bench/bench_reference_load" "$@"
"$root/build-bench/bench/bench_script_interface" "$@"
QT_QPA_PLATFORM=offscreen "$root/build-bench/bench/bench_manager_window" "$@"
