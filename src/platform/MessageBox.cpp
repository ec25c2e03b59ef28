#include "platform/MessageBox.h"

#include <cstdio>

namespace hdmi::platform {
namespace {
int gCount = 0;
char gLastText[128] = {};
}  // namespace

void ShowMessageBox(const char* text, const char* caption) {
    ++gCount;
    std::snprintf(gLastText, sizeof gLastText, "%s", text != nullptr ? text : "");
    PresentMessageBox(text != nullptr ? text : "", caption != nullptr ? caption : "");
}

int MessageBoxCount() {
    return gCount;
}
const char* LastMessageBoxText() {
    return gLastText;
}

}  // namespace hdmi::platform
