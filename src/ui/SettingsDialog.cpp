#include "ui/SettingsDialog.h"

#include "platform/TerminalDialog.h"
#include "ui/HdmiEdidDlg.h"

namespace hdmi::ui {

void ApplyRecordDefaults(HostDecodeContext& context) {
    HDMI_EDID_DLG dialog(&context);
    dialog.SetRecordDefaults();
}

void RunConfigDialog(HostDecodeContext& context) {
    HDMI_EDID_DLG dialog(&context);
    // Without a terminal there is no one to ask: the dialog counts as cancelled.
    if (platform::RunDialogInTerminal(dialog, platform::CurrentUiLanguage()) < 0) context.DialogResult = 2;
}

}  // namespace hdmi::ui
