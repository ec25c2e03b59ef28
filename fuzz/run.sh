#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan), makes their seed corpora and runs
# each target for a bounded time, one after the other. Stops at the first fault: the input is
# left in build-fuzz/artifacts/<target>/ (keep it under tests/fuzz/<target>/ once fixed, where
# the ordinary test suite replays it).
#
#   fuzz/run.sh [SECONDS] [TARGET...]     (default: 20 seconds each, every target)
#   FUZZ_JOBS=2 fuzz/run.sh 3600 fuzz_capture_vcd
#
# An input that takes over FUZZ_TIMEOUT seconds (default 1), or a process past 2 GiB, counts as a
# fault. New inputs
# the fuzzer finds go to build-fuzz/corpus-found/<target>/ and seed the next run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_capture_sr fuzz_capture_vcd fuzz_capture_csv fuzz_edid_file
    fuzz_transactions fuzz_waveform)

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_COMPILER=clang -DHDMI_FUZZ=ON -DHDMI_TESTS=OFF -DHDMI_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc 2>/dev/null || echo 2)" >/dev/null
if [ ! -x build/hdmi-ddc ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target hdmi-ddc HDMI_EDID >/dev/null
fi
fuzz/make-seeds.sh build/hdmi-ddc build-fuzz/corpus >/dev/null

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
    found=build-fuzz/corpus-found/$target
    artifacts=build-fuzz/artifacts/$target
    mkdir -p "$found" "$artifacts"
    dict=fuzz/${target#fuzz_}.dict
    options=(-max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-1}" -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$artifacts/")
    [ -f "$dict" ] && options+=(-dict="$dict")
    [ -n "${FUZZ_JOBS:-}" ] && options+=(-fork="$FUZZ_JOBS")
    log=build-fuzz/$target.log
    if ! "build-fuzz/fuzz/$target" "${options[@]}" "$found" "build-fuzz/corpus/$target" >"$log" 2>&1; then
        echo "$target: FAULT (see $log and $artifacts/)"
        grep -E "ERROR|contract broken|runtime error|timeout|deadly" "$log" | head -5
        exit 1
    fi
    awk -v t="$target" '/stat::number_of_executed_units/ { execs = $2 } /stat::peak_rss_mb/ { rss = $2 }
        /cov: / { for (i = 1; i <= NF; ++i) if ($i == "cov:") cov = $(i + 1) }
        END { printf "%s: %d executions, coverage %s, peak %s MB, no fault\n", t, execs, cov, rss }' "$log"
done
