// Shows a dialog modally with the presentation this platform has: a real window on Windows, the
// process's terminal elsewhere.
#pragma once

#include "platform/UiDialog.h"

namespace hdmi::platform {

// Runs the dialog until it ends and returns its modal result; -1 when it cannot be shown (no
// terminal, no template, no window).
int RunModalDialog(Dialog& dialog);

}  // namespace hdmi::platform
