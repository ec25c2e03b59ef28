// Bitmap 1002: three 32 x 32 section icons (parameters, colour, range) side by side in the upper
// half, and below each its mask (black where the icon is drawn, white where the dialog shows
// through), for a masked blit.
#pragma once

#include "platform/UiGraphics.h"

namespace hdmi::ui {

inline constexpr int kSectionIconSize = 32;
inline constexpr int kSectionIconCount = 3;

platform::BitmapView SectionIconsBitmap();

}  // namespace hdmi::ui
