#!/usr/bin/env bash
# Installs what the build needs from Debian's packages; quick when everything is already there.
set -euo pipefail
packages=(cmake ninja-build g++ ccache pkg-config libgtest-dev libgmock-dev libbenchmark-dev libedit-dev
          qt6-base-dev qt6-base-dev-tools libgl-dev clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
