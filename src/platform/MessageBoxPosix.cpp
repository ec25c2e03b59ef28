#include <cstdio>
#include <cstring>

#include "platform/MessageBox.h"

namespace hdmi::platform {
namespace {
int gCount = 0;
char gLastText[128] = {};
}  // namespace

void ShowMessageBox(const char* text, const char* caption) {
    ++gCount;
    std::snprintf(gLastText, sizeof gLastText, "%s", text != nullptr ? text : "");
    std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
}

int MessageBoxCount() {
    return gCount;
}
const char* LastMessageBoxText() {
    return gLastText;
}

}  // namespace hdmi::platform
