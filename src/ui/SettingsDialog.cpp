#include "ui/SettingsDialog.h"

#include "plugin/Colors.h"

namespace hdmi::ui {

void ApplyRecordDefaults(HostDecodeContext& context) {
    context.ChannelCount = 2;
    context.SettingsState = 1;
    for (int i = 0; i < context.ChannelCount; ++i) context.ChannelMap[i] = i;
    for (int slot = 0; slot <= 8; ++slot)
        SetColorIndexOfSlot(context.ColorSlotsLow, context.ColorSlotsHigh, slot, static_cast<uint32_t>(slot));
    SetColorIndexOfSlot(context.ColorSlotsLow, context.ColorSlotsHigh, 9, kUnslottedColorIndex);
    context.DecodeFlags = 0;
    context.DialogResult = 1;
}

void RunConfigDialog(HostDecodeContext& context) {
    // Until the terminal presentation lands there is nowhere to show the dialog.
    context.DialogResult = 2;
}

}  // namespace hdmi::ui
