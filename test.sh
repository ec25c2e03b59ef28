#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds, runs every test, then builds and runs them again
# with AddressSanitizer and UndefinedBehaviorSanitizer, runs every fuzz target for a short while,
# then cross-builds HDMI_EDID.dll and hdmi-ddc.exe for 64-bit Windows and runs their tests under
# Wine.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
ensure_packages windows fuzz

jobs=$(nproc 2>/dev/null || echo 2)

echo "== build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
echo "== tests"
ctest --test-dir build --output-on-failure -j1

echo "== sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DHDMI_SANITIZE=ON -DHDMI_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
echo "== sanitizer tests"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j1

echo "== fuzzing: each target for ${HDMI_FUZZ_SECONDS:-15} s (clang, libFuzzer, ASan + UBSan)"
# A shared CI machine can stall a process for a moment: a slow input counts from 5 s here (the
# fuzzing campaigns themselves hold every input to 1 s).
FUZZ_TIMEOUT=5 fuzz/run.sh "${HDMI_FUZZ_SECONDS:-15}"

echo "== Windows build (mingw-w64)"
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release -DHDMI_BENCH=OFF >/dev/null
cmake --build build-win -j"$jobs"
echo "== Windows tests under Wine"
scripts/wine-tests.sh build-win build/hdmi-ddc
