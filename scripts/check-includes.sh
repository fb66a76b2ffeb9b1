#!/usr/bin/env bash
# Fails on an include in the host or the plug-in that runs upward through the layers:
#   scripts/check-includes.sh
# Prints file:line and the edge (including folder -> included folder) of each, and exits 1 if there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# The layers, bottom first. A folder sees itself and the folders of the lines above its own; folders on
# one line do not see each other. Every folder of host/ and plugin/ with sources must be listed.
layers='
host/core
host/scene
host/io
host/script host/application
host/modules host/qt
plugin/frame plugin/settings
plugin/anims
plugin/records
plugin/helper
plugin/script plugin/ui
plugin/module
'

grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' host plugin |
    sort -t: -k1,1 -k2,2n |
    awk -v layers="$layers" '
    BEGIN {
        n = split(layers, lines, "\n")
        for (i = 1; i <= n; i++) {
            c = split(lines[i], folders, " ")
            for (j = 1; j <= c; j++) level[folders[j]] = i
        }
    }
    # The layer folder of a path: its first two components.
    function layer(path,   parts) {
        split(path, parts, "/")
        return parts[1] "/" parts[2]
    }
    {
        split($0, f, ":")
        match($0, /"[^"]*"/)
        header = substr($0, RSTART + 1, RLENGTH - 2)
        from = layer(f[1]); to = layer(header)
        if (!(from in level)) why = "folder not in the layer table"
        else if (!(to in level)) why = "included folder not in the layer table"
        else if (from == to || level[to] < level[from]) next
        else why = level[to] == level[from] ? "sideways" : "upward"
        printf "%s:%s: %s -> %s (%s): %s\n", f[1], f[2], from, to, why, header
        bad = 1
    }
    END { exit bad }'
