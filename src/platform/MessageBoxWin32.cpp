#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/MessageBox.h"

namespace hdmi::platform {

void PresentMessageBox(const char* text, const char* caption) {
    ::MessageBoxA(nullptr, text, caption, MB_OK);
}

}  // namespace hdmi::platform
