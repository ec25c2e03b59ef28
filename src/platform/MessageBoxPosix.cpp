#include <cstdio>

#include "platform/MessageBox.h"

namespace hdmi::platform {

void PresentMessageBox(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

}  // namespace hdmi::platform
