#!/usr/bin/env bash
# Keeps a small, coverage-minimised part of what the fuzzers found under tests/fuzz/<target>/,
# where the ordinary test suite replays it: the inputs of at most MAX_BYTES that libFuzzer's merge
# keeps for new coverage, smallest first, at most MAX_FILES of them ("cov-" files; inputs kept
# for faults are named "crash-..." and are never touched here).
#
#   fuzz/keep-corpus.sh [MAX_FILES] [MAX_BYTES] [TARGET...]   (defaults: 100, 1024, every target)
set -euo pipefail
cd "$(dirname "$0")/.."
max_files=${1:-100}
max_bytes=${2:-1024}
shift 2 || shift $# || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_capture_sr fuzz_capture_vcd fuzz_capture_csv fuzz_edid_file
    fuzz_transactions fuzz_waveform)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in "${targets[@]}"; do
    found=build-fuzz/corpus-found/$target
    [ -d "$found" ] || { echo "$target: nothing found yet ($found)"; continue; }
    mkdir -p "$work/$target/small" "$work/$target/merged"
    find "$found" build-fuzz/corpus/"$target" -type f -size -"$((max_bytes + 1))"c \
        -exec cp -t "$work/$target/small" {} + 2>/dev/null || true
    "build-fuzz/fuzz/$target" -merge=1 "$work/$target/merged" "$work/$target/small" >"$work/$target.log" 2>&1
    keep=tests/fuzz/$target
    mkdir -p "$keep"
    find "$keep" -name 'cov-*' -delete
    # Smallest first: the cheapest inputs that reach each part of the code.
    find "$work/$target/merged" -type f -printf '%s %p\n' | sort -n | head -n "$max_files" |
        while read -r _ file; do cp "$file" "$keep/cov-$(basename "$file")"; done || true  # head's early exit
    echo "$target: kept $(find "$keep" -name 'cov-*' | wc -l) inputs ($(find "$keep" -name 'cov-*' -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }') bytes)"
done
