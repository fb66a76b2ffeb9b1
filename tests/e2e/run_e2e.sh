#!/usr/bin/env bash
# Runs ostrivans-host on one end-to-end script and compares what it printed with what is expected:
#   run_e2e.sh HOST SCRIPT MODULES WORK
# Beside NAME.ms: NAME.out is the expected standard output (compared exactly). Optional: NAME.args, the
# program's arguments one per line (default: "--ini @WORK@/ostrivans.ini" and the script); NAME.err, the
# expected standard error (exact); NAME.exit, the expected exit status (default 0). In .args and .err,
# @SCRIPT@ is the script's path, @DIR@ its folder, @MODULES@ the folder of the test plug-in module builds
# and @WORK@ an empty folder made for the test, which is also the working directory; NAME.sed, a sed
# script applied to standard output before the comparison (for addresses and times, which change per run).
# Each script gets a temporary folder of its own (@WORK@/tmp): the host keeps fixed file names there (a
# Biped's data files, the hold file), and scripts run side by side must not share them.
set -uo pipefail
host=$1 script=$2 modules=$3 work=$4
dir=$(dirname "$script")
stem=$(basename "$script" .ms)
rm -rf "$work" && mkdir -p "$work/tmp" && cd "$work" || exit 2
export TMPDIR="$work/tmp"

expand() {
    local s=$1
    s=${s//@SCRIPT@/$script}
    s=${s//@DIR@/$dir}
    s=${s//@MODULES@/$modules}
    s=${s//@WORK@/$work}
    printf '%s' "$s"
}

args=()
if [ -f "$dir/$stem.args" ]; then
    while IFS= read -r line || [ -n "$line" ]; do
        args+=("$(expand "$line")")
    done < "$dir/$stem.args"
else
    args=(--ini "$work/ostrivans.ini" "$script")
fi

"$host" "${args[@]}" > "$work/stdout.txt" 2> "$work/stderr.txt" < /dev/null
status=$?

failed=0
expected_status=0
[ -f "$dir/$stem.exit" ] && expected_status=$(tr -d '[:space:]' < "$dir/$stem.exit")
if [ "$status" != "$expected_status" ]; then
    echo "exit status $status, expected $expected_status"
    failed=1
fi
if [ -f "$dir/$stem.sed" ]; then
    sed -E -f "$dir/$stem.sed" "$work/stdout.txt" > "$work/stdout.filtered" && mv "$work/stdout.filtered" "$work/stdout.txt"
fi
if ! diff -u "$dir/$stem.out" "$work/stdout.txt" > "$work/stdout.diff"; then
    echo "standard output differs from $stem.out:"
    cat "$work/stdout.diff"
    failed=1
fi
if [ -f "$dir/$stem.err" ]; then
    while IFS= read -r line || [ -n "$line" ]; do expand "$line"; echo; done < "$dir/$stem.err" > "$work/expected_stderr.txt"
    if ! diff -u "$work/expected_stderr.txt" "$work/stderr.txt"; then
        echo "standard error differs from $stem.err"
        failed=1
    fi
elif [ "$expected_status" = 0 ] && [ -s "$work/stderr.txt" ]; then
    echo "unexpected standard error:"
    cat "$work/stderr.txt"
    failed=1
fi
[ "$failed" = 0 ] && echo "e2e $stem: passed"
exit "$failed"
