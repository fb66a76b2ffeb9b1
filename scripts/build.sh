#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh DIR [cmake options...] [-- targets...]
# The compiler cache lives in the machine's usual folder, outside the checkout, and is keyed on paths
# relative to the checkout, so every clone and worktree of the project shares it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; shift
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
[ $# -gt 0 ] && shift
targets=()
for t in "$@"; do targets+=(--target "$t"); done
export CCACHE_BASEDIR="$root"
export CCACHE_NOHASHDIR=true
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-20G}
cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$root/$dir" -j "$(nproc)" "${targets[@]}"
