#include <cstdint>

#include "platform/Files.h"

namespace hdmi::platform {

bool IsValidUtf8(const char* name) {
    if (name == nullptr) return true;
    const auto* p = reinterpret_cast<const uint8_t*>(name);
    while (*p != 0) {
        const uint8_t lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int length;
        uint32_t value;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
        } else {
            return false;
        }
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;  // also stops at the terminator
            value = (value << 6) | (p[i] & 0x3F);
        }
        if (length == 3 && (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF))) return false;
        if (length == 4 && (value < 0x10000 || value > 0x10FFFF)) return false;
        p += length;
    }
    return true;
}

}  // namespace hdmi::platform
