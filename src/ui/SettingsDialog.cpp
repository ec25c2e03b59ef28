#include "ui/SettingsDialog.h"

#include "platform/UiModal.h"
#include "ui/HdmiEdidDlg.h"

namespace hdmi::ui {

void ApplyRecordDefaults(HostDecodeContext& context) {
    HDMI_EDID_DLG dialog(&context);
    dialog.SetRecordDefaults();
}

void RunConfigDialog(HostDecodeContext& context) {
    HDMI_EDID_DLG dialog(&context);
    // Where the dialog cannot be shown there is no one to ask: it counts as cancelled.
    if (platform::RunModalDialog(dialog) < 0) context.DialogResult = 2;
}

}  // namespace hdmi::ui
