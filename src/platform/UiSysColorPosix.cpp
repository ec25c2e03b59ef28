// System colours where there is no desktop to ask: the classic scheme, the same on every run.
#include "platform/UiGraphics.h"

namespace hdmi::platform {

ColorRef GetSysColor(SysColor which) {
    // The classic desktop scheme; nothing here depends on a real desktop.
    switch (which) {
        case SysColor::Window:
            return Rgb(255, 255, 255);
        case SysColor::WindowText:
            return Rgb(0, 0, 0);
        case SysColor::Highlight:
            return Rgb(0, 120, 215);
        case SysColor::HighlightText:
            return Rgb(255, 255, 255);
        case SysColor::ButtonFace:
            return Rgb(240, 240, 240);
        case SysColor::ButtonShadow:
            return Rgb(160, 160, 160);
        case SysColor::ButtonHighlight:
            return Rgb(255, 255, 255);
    }
    return 0;
}

}  // namespace hdmi::platform
