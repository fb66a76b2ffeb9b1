#!/usr/bin/env bash
# Installs, builds and runs the whole test suite. With --sanitize, the AddressSanitizer and
# UndefinedBehaviorSanitizer build runs it instead. The plain build shares its tree and options with the
# demo command.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
dir=build
opts=(-DOSTRIVANS_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
    dir=build-asan
    opts+=(-DOSTRIVANS_SANITIZE=ON)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
"$root/scripts/build.sh" "$dir" "${opts[@]}"
export QT_QPA_PLATFORM=offscreen
cd "$root/$dir" && ctest --output-on-failure -j "$(nproc)"
