# Sourced by run.sh and test.sh: installs the Debian packages the build needs when they are missing.
HDMI_PACKAGES=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libzip-dev)
# The Windows build (HDMI_EDID.dll, hdmi-ddc.exe) and its tests under Wine, for test.sh only:
# `ensure_packages windows` adds them (groups combine: `ensure_packages windows fuzz`); run.sh stays
# with the Linux list above.
HDMI_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev googletest wine64
    xvfb xauth)
# The libFuzzer targets (fuzz/), for test.sh's short fuzzing run: `ensure_packages fuzz`.
HDMI_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

ensure_packages() {
    local wanted=("${HDMI_PACKAGES[@]}")
    local group
    for group in "$@"; do
        case "$group" in
            windows) wanted+=("${HDMI_WINDOWS_PACKAGES[@]}") ;;
            fuzz) wanted+=("${HDMI_FUZZ_PACKAGES[@]}") ;;
        esac
    done
    local missing=()
    for p in "${wanted[@]}"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}
