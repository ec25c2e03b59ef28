// Entry points of the settings user interface for the plug-in's exports.
#pragma once

#include "plugin/HostRecords.h"

namespace hdmi::ui {

// Fills the record's settings with the record defaults (channels 0 and 1, colour slot k = k, slot 9
// = 15, whole buffer, 7-bit addressing) and accepts them (DialogResult = 1). No window is created.
void ApplyRecordDefaults(HostDecodeContext& context);

// Shows the settings dialog modally. The outcome is left in DialogResult: 1 when the user accepted
// (the settings are then stored), 2 when cancelled or closed, or when there is no terminal to show
// it on (nothing else changes then).
void RunConfigDialog(HostDecodeContext& context);

}  // namespace hdmi::ui
