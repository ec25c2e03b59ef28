#include "platform/Application.h"

namespace hdmi::platform {
namespace {
int gDepth = 0;
}

ModuleLifetime::ModuleLifetime(CWinApp& app) : app_(app) {
    app_.InitInstance();
}
ModuleLifetime::~ModuleLifetime() {
    app_.ExitInstance();
}

ModuleStateGuard::ModuleStateGuard() {
    ++gDepth;
}
ModuleStateGuard::~ModuleStateGuard() {
    --gDepth;
}

int ModuleStateDepth() {
    return gDepth;
}

}  // namespace hdmi::platform
