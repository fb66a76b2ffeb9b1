#!/usr/bin/env bash
# Installs the build into a fresh folder, moves the installed tree elsewhere and runs the program from
# there: the program must find the host library and load the plug-in module through relative run paths.
#   install_tree.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1 work=$2
rm -rf "$work" && mkdir -p "$work"
cmake --install "$build" --prefix "$work/first" >/dev/null
mv "$work/first" "$work/moved"
out=$(cd / && "$work/moved/bin/ostrivans-host" --ini "$work/ostrivans.ini" \
      -e 'ref = OstrivansHelper name:"Installed01"' -e 'print (classOf ref)' 2>&1)
expected='OstrivansHelper'
if [ "$out" != "$expected" ]; then
    echo "installed program printed:"; echo "$out"; echo "expected:"; echo "$expected"
    exit 1
fi
echo "install tree: passed"
