#include "plugin/Settings.h"

#include <cstdio>

namespace hdmi {

int FormatChannelNumber(uint32_t hostFlags, int32_t channel, char* out, size_t size) {
    if (out == nullptr || size == 0) return 0;
    int length;
    if (hostFlags & kHostFlagBankNames) {
        const char firstBank = (hostFlags & kHostFlagBankFromB) ? 'B' : 'A';
        length = std::snprintf(out, size, "%c%d", static_cast<char>(firstBank + channel / 32), channel % 32);
    } else if (hostFlags & kHostFlagDsoNames) {
        length = std::snprintf(out, size, "DSO %d", channel + 1);
    } else {
        length = std::snprintf(out, size, "CH %d", channel);
    }
    if (length < 0) return 0;
    return length < static_cast<int>(size) ? length : static_cast<int>(size) - 1;
}

}  // namespace hdmi
