// The settings dialog's resources: dialog template 1000 in English, Traditional Chinese and
// Simplified Chinese, and bitmap 1002 with the three section icons and their masks.
#pragma once

#include "platform/UiDialog.h"

namespace hdmi::ui {

const platform::ResourceModule& ModuleResources();

}  // namespace hdmi::ui
