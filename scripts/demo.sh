#!/usr/bin/env bash
# Installs, builds and runs the main job: the host program on the quick-start example, then on the
# reference example (a scene file referenced through a reference helper, and the records it made).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build
cd "$root"
"$root/build/app/ostrivans-host" examples/quickstart.ms
"$root/build/app/ostrivans-host" examples/reference.ms
