#!/usr/bin/env bash
# hdmi-ddc against sigrok-cli on the same capture, side by side in one run.
#
# Writes a sigrok session of DDC traffic with `hdmi-ddc synth` (one hot-plug: EDID base and
# CTA-861 extension, SCDC set-up, HDCP authentication, then SCDC and HDCP link polling until the
# capture holds the wanted number of samples), then decodes it with
#   hdmi-ddc decode FILE                      (the report as a table)
#   sigrok-cli -i FILE -P i2c,edid            (sigrok's I2C and EDID decoders)
# both writing to /dev/null, each RUNS times in turn, and prints the median wall time and the
# median peak resident memory of each (from /usr/bin/time -v) and their ratios.
#
#   bench/vs_sigrok.sh [BUILD_DIR]            (default: build)
#   SAMPLES=100000000 RATE=24MHz RUNS=3 bench/vs_sigrok.sh
#
# sigrok-cli and GNU time are installed from Debian when missing (sigrok-cli is needed by this
# benchmark only, not by the build or the tests).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
samples=${SAMPLES:-100000000}
rate=${RATE:-24MHz}
runs=${RUNS:-3}

install_missing() {
    local missing=()
    command -v sigrok-cli >/dev/null 2>&1 || missing+=(sigrok-cli)
    [ -x /usr/bin/time ] || missing+=(time)
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}
install_missing

if [ ! -x "$build/hdmi-ddc" ] || [ ! -e "$build/HDMI_EDID.so" ]; then
    echo "== building hdmi-ddc in $build"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j2 --target hdmi-ddc HDMI_EDID >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
capture="$work/ddc.sr"

# Polls after the hot-plug: enough for the wanted length at this rate (about 1.2 ms each at
# 100 kHz SCL); --min-samples tops it up should the estimate fall short.
hz=$(echo "$rate" | awk '{ t = tolower($0); sub(/ *hz$/, "", t); m = 1; c = substr(t, length(t))
    if (c == "k") m = 1e3; if (c == "m") m = 1e6; if (c == "g") m = 1e9
    if (m > 1) t = substr(t, 1, length(t) - 1); printf "%d", t * m }')
polls=$(( samples / (hz / 1000 * 12 / 10) + 1 ))
echo "== synthesizing $samples samples at $rate ($polls polls after the hot-plug)"
"$build/hdmi-ddc" synth "$capture" --edid examples/display.edid --scdc --hdcp --rate "$rate" \
    --polls "$polls" --min-samples "$samples"
ls -l "$capture" | awk '{printf "   file size %.1f MB\n", $5 / 1e6}'

# Runs a command under /usr/bin/time -v; prints "wall_seconds peak_kb".
measure() {
    local log="$work/time.log"
    if ! /usr/bin/time -v "$@" >/dev/null 2>"$log"; then
        echo "failed: $*" >&2
        tail -5 "$log" >&2
        exit 1
    fi
    awk -F': ' '
        /Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; ++i) s = s * 60 + p[i]; wall = s }
        /Maximum resident set size/ { rss = $2 }
        END { printf "%.3f %d\n", wall, rss }' "$log"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

ours_wall=() ours_rss=() sig_wall=() sig_rss=()
for ((i = 1; i <= runs; ++i)); do
    read -r w r < <(measure "$build/hdmi-ddc" decode "$capture")
    ours_wall+=("$w") ours_rss+=("$r")
    read -r w r < <(measure sigrok-cli -i "$capture" -P i2c:scl=SCL:sda=SDA,edid)
    sig_wall+=("$w") sig_rss+=("$r")
    echo "   run $i: hdmi-ddc ${ours_wall[-1]} s ${ours_rss[-1]} KB, sigrok-cli ${sig_wall[-1]} s ${sig_rss[-1]} KB"
done

ow=$(printf '%s\n' "${ours_wall[@]}" | median)
orss=$(printf '%s\n' "${ours_rss[@]}" | median)
sw=$(printf '%s\n' "${sig_wall[@]}" | median)
srss=$(printf '%s\n' "${sig_rss[@]}" | median)
echo
printf '%-12s %12s %16s\n' "" "wall (s)" "peak RSS (MB)"
awk -v ow="$ow" -v orss="$orss" -v sw="$sw" -v srss="$srss" 'BEGIN {
    printf "%-12s %12.3f %16.1f\n", "hdmi-ddc", ow, orss / 1024
    printf "%-12s %12.3f %16.1f\n", "sigrok-cli", sw, srss / 1024
    printf "hdmi-ddc is %.1f times as fast (goal: 50) and uses %.2f times the memory of sigrok-cli (goal: below 1)\n", sw / ow, orss / srss
}'
