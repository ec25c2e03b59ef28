// The argument check every EDID value formatter makes first, and the buffer size it writes to.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hdmi {

inline bool BadArguments(const char* out, int32_t outSize, const uint8_t* bytes) {
    return out == nullptr || bytes == nullptr || outSize < 0;
}

inline size_t Capacity(int32_t outSize) {
    return static_cast<size_t>(outSize);
}

}  // namespace hdmi
