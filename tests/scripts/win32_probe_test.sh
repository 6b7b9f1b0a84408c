#!/usr/bin/env bash
# The probe of scripts/test refuses a 32-bit Wine loader that is installed but cannot be used:
# one that is missing, one that fails, one that hangs, one that answers wrongly. Each refusal is
# exit status 1 and one line of plain text saying why. (On a machine that runs no 32-bit programs
# at all, the probe refuses earlier, for that reason, in words: "Exec format error".)
#
# Usage: win32_probe_test.sh PROBE
set -uo pipefail
probe=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
no32="runs no 32-bit x86 programs|only through an emulator"

# Runs the probe with LOADER (a script body, or a path) and LIMIT; checks exit status 1, one line
# matching EXPECTED.
expect_refusal() {
    local name=$1 loader=$2 limit=$3 expected=$4
    mkdir -p "$dir/$name/probe"
    if [ "${loader:0:1}" != "/" ]; then
        printf '#!/bin/sh\n%s\n' "$loader" >"$dir/$name/loader"
        chmod +x "$dir/$name/loader"
        loader=$dir/$name/loader
    fi
    local started=$SECONDS output code
    output=$(KZN_WINE32=$loader KZN_PROBE_DIR="$dir/$name/probe" "$probe" "$limit")
    code=$?
    local lines
    lines=$(printf '%s\n' "$output" | wc -l)
    if [ $code -ne 1 ] || [ "$lines" -ne 1 ] || ! printf '%s' "$output" | grep -Eq "$expected|$no32"; then
        echo "FAIL $name: exit status $code, output: $output"
        failures=$((failures + 1))
    elif printf '%s' "$output" | LC_ALL=C grep -q '[^[:print:]]'; then
        echo "FAIL $name: the line is not plain text: $(printf '%s' "$output" | cat -v)"
        failures=$((failures + 1))
    elif [ $((SECONDS - started)) -gt $((limit + 20)) ]; then
        echo "FAIL $name: took $((SECONDS - started)) s with a limit of $limit s"
        failures=$((failures + 1))
    else
        echo "ok   $name: $output"
    fi
}

expect_refusal missing /nonexistent/wine 5 "loader \(/nonexistent/wine, package wine32:i386\) is not installed"
expect_refusal refused 'echo "exec format error" >&2; exit 126' 5 \
    "cannot run a 32-bit Windows program \(exit status 126"
expect_refusal silent 'exit 0' 5 "cannot run a 32-bit Windows program \(exit status 0"
expect_refusal wrong 'echo "32-bit Windows program ran (64-bit pointers)"' 5 \
    "cannot run a 32-bit Windows program"
expect_refusal hangs 'exec sleep 600' 2 "did not finish within 2 s"
exit $((failures > 0))
