#!/usr/bin/env bash
# Peak memory against capture length: Analysis over 10^7, 10^8 and 10^9 level changes (the last
# writes about 3 GB of packet files to the temporary folder), then reports of 10^6 and 10^7 rows
# into a section, each in a process of its own.
#
#   bench/scale.sh [BUILD_DIR]            (default: build)
#   LENGTHS="1e7 1e8" ROWS="1e6" bench/scale.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
lengths=${LENGTHS:-1e7 1e8 1e9}
rows=${ROWS:-1e6 1e7}
if [ ! -x "$build/bench/scale_bench" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target scale_bench HDMI_EDID >/dev/null
fi
for n in $lengths; do "$build/bench/scale_bench" decode "$(awk -v n="$n" 'BEGIN { printf "%d", n }')"; done
for n in $rows; do "$build/bench/scale_bench" report "$(awk -v n="$n" 'BEGIN { printf "%d", n }')"; done
