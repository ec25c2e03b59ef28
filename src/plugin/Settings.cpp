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

DecoderSettings DecoderSettings::From(const HostDecodeContext& context) {
    DecoderSettings s;
    s.ChannelCount = context.ChannelCount;
    s.DialogResult = context.DialogResult;
    s.SettingsState = context.SettingsState;
    s.ChannelMap[0] = context.ChannelMap[0];
    s.ChannelMap[1] = context.ChannelMap[1];
    s.DecodeFlags = context.DecodeFlags;
    s.ColorSlotsLow = context.ColorSlotsLow;
    s.ColorSlotsHigh = context.ColorSlotsHigh;
    return s;
}

void DecoderSettings::StoreInto(HostDecodeContext& context) const {
    context.ChannelCount = ChannelCount;
    context.DialogResult = DialogResult;
    context.SettingsState = SettingsState;
    context.ChannelMap[0] = ChannelMap[0];
    context.ChannelMap[1] = ChannelMap[1];
    context.DecodeFlags = DecodeFlags;
    context.ColorSlotsLow = ColorSlotsLow;
    context.ColorSlotsHigh = ColorSlotsHigh;
}

}  // namespace hdmi
