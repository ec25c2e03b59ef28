#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets into OUT/<target>/ (default build-fuzz/corpus):
# captures written by `hdmi-ddc synth` in each format with different traffic, rates and
# glitches; the example EDID as hex text and as raw bytes; bus transactions and waveforms for
# the plug-in targets; and, when ../shared/captures is there, the real captures in it (read
# where they lie at run time, never kept in the project).
#
#   fuzz/make-seeds.sh [HDMI_DDC] [OUT]      (defaults: build/hdmi-ddc, build-fuzz/corpus)
set -euo pipefail
cd "$(dirname "$0")/.."
ddc=${1:-build/hdmi-ddc}
out=${2:-build-fuzz/corpus}
if [ ! -x "$ddc" ]; then
    echo "make-seeds: $ddc is missing (build it first: cmake --build build --target hdmi-ddc)" >&2
    exit 2
fi
for target in capture_sr capture_vcd capture_csv edid_file transactions waveform; do
    mkdir -p "$out/fuzz_$target"
done

# Captures: short ones, so that the fuzzer's mutations land on structure, not on long idle runs.
edid=examples/display.edid
i=0
while read -r options; do
    i=$((i + 1))
    for format in sr vcd csv; do
        # shellcheck disable=SC2086
        "$ddc" synth "$out/fuzz_capture_$format/synth$i.$format" $options >/dev/null
    done
done <<'LIST'
--edid examples/display.edid --rate 1MHz --scl-freq 100kHz --gap 20us
--scdc --polls 1 --rate 2MHz --scl-freq 400kHz --gap 10us
--hdcp --polls 0 --rate 1MHz --scl-freq 100kHz --gap 10us
--scdc --polls 1 --rate 4MHz --scl-freq 400kHz --glitches 3 --seed 7 --gap 10us
LIST
# Sessions as member lists for the target to pack (see fuzz_capture_sr.cpp): name pick, 16-bit
# length, content.
member() { # pick content
    local n=${#2}
    printf "\\x$(printf %02x "$1")\\x$(printf %02x $((n & 255)))\\x$(printf %02x $((n >> 8)))"
    printf '%s' "$2"
}
{
    member 0 "2"
    member 1 "$(printf '[global]\nsigrok version=0.5.2\n\n[device 1]\ncapturefile=logic-1\ntotal probes=2\nsamplerate=1 MHz\nprobe1=SCL\nprobe2=SDA\nunitsize=1\n')"
    member 2 "$(printf '\003\003\002\002\001\001\003\003\002\001\003')"
} >"$out/fuzz_capture_sr/members"

shared=../shared/captures
if [ -d "$shared" ]; then
    for capture in "$shared"/*.sr; do
        [ -e "$capture" ] && install -m 644 "$capture" "$out/fuzz_capture_sr/real-$(basename "$capture")"
    done
fi

# EDID files: the example as hex text, the same bytes raw, and one block alone.
cp "$edid" "$out/fuzz_edid_file/display.hex"
grep -v '^#' "$edid" | sed 's/#.*//' | tr -cd '0-9A-Fa-f' | sed 's/../\\x&/g' |
    xargs -0 printf '%b' >"$out/fuzz_edid_file/display.bin"
head -c 128 "$out/fuzz_edid_file/display.bin" >"$out/fuzz_edid_file/base.bin"

# Transactions (see fuzz_transactions.cpp): a settings byte, then per transaction a head byte
# (address pick in bits 0-2, read in bit 3, ack flips in bit 5, repeated start next in bit 6), a
# byte count, a NACK mask and the bytes.
header='\x00\xff\xff\xff\xff\xff\xff\x00\x10\xac\x01\x02\x03\x04\x05\x06'
printf '\x00''\x41\x01\x00\x00''\x09\x27\x00'"$header$header"'\x01\x03\x80\x50\x2d\x78\x0a' \
    >"$out/fuzz_transactions/edid-read"
printf '\x01''\x40\x01\x00\x01''\x41\x01\x00\x80''\x09\x10\x00'"$header" \
    >"$out/fuzz_transactions/edid-segment"
printf '\x00''\x43\x01\x00\x40''\x0b\x01\x00\x80''\x43\x01\x00\x00''\x0b\x05\x00\x11\x22\x33\x44\x55''\x03\x06\x00\x10\x01\x02\x03\x04\x05' \
    >"$out/fuzz_transactions/hdcp"
printf '\x04''\x45\x01\x00\x01''\x0d\x01\x00\x01''\x05\x02\x00\x20\x03''\x45\x01\x00\x10''\x0d\x02\x00\x00\x00' \
    >"$out/fuzz_transactions/scdc"

# Waveforms (see fuzz_waveform.cpp): channels, flags, mode, rate, label size, then step and
# change pairs: a start, eight clocked bits, a stop.
{
    printf '\x00\x01\x02\x00\x04\x02\x00\x02\x01\x20'
    printf '\x04\x02'
    for _ in 1 2 3 4 5 6 7 8 9; do printf '\x04\x01\x04\x01\x02\x02'; done
    printf '\x04\x01\x04\x02'
} >"$out/fuzz_waveform/byte"

for target in "$out"/*/; do
    echo "   $(basename "$target"): $(find "$target" -type f | wc -l) seeds"
done
