#include "plugin/App.h"

#include <new>

#include "ddc/DdcDecoder.h"

namespace hdmi {

bool CHDMI_EDIDApp::InitInstance() {
    CWinApp::InitInstance();
    decoder_.reset(new (std::nothrow) CDdcDecoder());
    return true;
}

int CHDMI_EDIDApp::ExitInstance() {
    decoder_.reset();  // deletes the temporary packet files
    return CWinApp::ExitInstance();
}

namespace {
// Built in this order at load and torn down in reverse at unload: the lifetime object runs
// ExitInstance before the application object goes away.
CHDMI_EDIDApp gApp;
platform::ModuleLifetime gModule(gApp);
}  // namespace

CHDMI_EDIDApp& TheApp() {
    return gApp;
}

}  // namespace hdmi
