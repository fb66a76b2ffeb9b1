#!/usr/bin/env bash
# Installs, builds and runs the main job: the host program on the quick-start example.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build
cd "$root"
"$root/build/app/ostrivans-host" examples/quickstart.ms
