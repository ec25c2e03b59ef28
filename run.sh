#!/usr/bin/env bash
# Builds the plug-in and the stand-in host, then decodes the bundled example capture (a hot-plug:
# EDID base and CTA-861 extension read, HDCP authentication, SCDC set-up and polling) and prints
# the report.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
ensure_packages
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target hdmi-ddc HDMI_EDID >/dev/null
exec build/hdmi-ddc decode examples/hotplug.sr "$@"
