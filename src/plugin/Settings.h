// Settings rules shared by the exports and the settings dialog.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/HostRecords.h"

namespace hdmi {

// Host channel number n as the host names it: bank letter and number ("A3", "B0"), "DSO n+1" or
// "CH n", by HostFlags. Returns the length written (cut to size - 1).
int FormatChannelNumber(uint32_t hostFlags, int32_t channel, char* out, size_t size);

// Range list shared by "From" and "to" of the decode range.
inline constexpr const char* kRangeNames[kMarkerCount] = {
    "Buffer Head", "Cursor Trigger (T)", "Cursor A", "Cursor B", "Cursor C", "Cursor D", "Cursor E",
};

}  // namespace hdmi
