#include "platform/TerminalDialog.h"
#include "platform/UiModal.h"

namespace hdmi::platform {

int RunModalDialog(Dialog& dialog) {
    return RunDialogInTerminal(dialog, CurrentUiLanguage());
}

}  // namespace hdmi::platform
