#!/usr/bin/env bash
# Runs the tests of the Windows build under Wine, headless: a fresh Wine prefix in a temporary
# folder, a virtual X server, and a time limit on every step so that a hung window cannot stall CI.
#   scripts/wine-tests.sh BUILD_WIN [LINUX_HDMI_DDC]
# With LINUX_HDMI_DDC, hdmi-ddc.exe must decode the example capture to the same report, byte for
# byte, as that Linux build of hdmi-ddc. Pictures of the dialog go to BUILD_WIN/test-output.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: scripts/wine-tests.sh BUILD_WIN [LINUX_HDMI_DDC]}
linux_ddc=${2:-}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

if [ -z "${HDMI_WINE_INNER:-}" ]; then
    # Everything below runs inside one virtual X server of 24-bit colour.
    export HDMI_WINE_INNER=1
    exec timeout 600 xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$@"
fi

prefix=$(mktemp -d "${TMPDIR:-/tmp}/hdmi-wine.XXXXXX")
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
cleanup() {
    timeout 30 "$wineserver" -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
}
trap cleanup EXIT

out="$build/test-output"
mkdir -p "$out"
export HDMI_TEST_OUTPUT
HDMI_TEST_OUTPUT=$(cd "$out" && pwd)

echo "== wine: preparing a fresh prefix"
timeout 240 "$wine" wineboot -i >/dev/null 2>&1
timeout 60 "$wineserver" -w

passed=0
failed=0
run() {
    local limit=$1
    shift
    echo "== wine: $*"
    if timeout "$limit" "$@"; then
        passed=$((passed + 1))
    else
        echo "!! failed: $*"
        failed=$((failed + 1))
    fi
}

run 300 "$wine" "$build/hdmi_e2e_tests.exe"
run 180 "$wine" "$build/hdmi_windows_tests.exe"

if [ -n "$linux_ddc" ]; then
    echo "== wine: hdmi-ddc.exe decodes the example capture as the Linux build does"
    "$linux_ddc" decode examples/hotplug.sr --format raw >"$out/report-linux.txt"
    if timeout 120 "$wine" "$build/hdmi-ddc.exe" decode examples/hotplug.sr --format raw >"$out/report-windows.txt" &&
        cmp "$out/report-linux.txt" "$out/report-windows.txt"; then
        echo "identical reports ($(wc -l <"$out/report-linux.txt") lines)"
        passed=$((passed + 1))
    else
        echo "!! failed: the Windows report differs from the Linux one"
        failed=$((failed + 1))
    fi
fi

timeout 60 "$wineserver" -w || true
echo "wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
