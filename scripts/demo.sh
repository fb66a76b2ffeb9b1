#!/usr/bin/env bash
# Installs, builds and runs the main job: the host's self-check for now.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build
"$root/build/tests/test_host_core_BasicTypesTest" --gtest_brief=1
