# Sourced by run.sh and test.sh: installs the Debian packages the build needs when they are missing.
HDMI_PACKAGES=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libzip-dev)

ensure_packages() {
    local missing=()
    for p in "${HDMI_PACKAGES[@]}"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}
