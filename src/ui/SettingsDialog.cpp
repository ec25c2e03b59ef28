#include "ui/SettingsDialog.h"

#include "ui/HdmiEdidDlg.h"

namespace hdmi::ui {

void ApplyRecordDefaults(HostDecodeContext& context) {
    HDMI_EDID_DLG dialog(&context);
    dialog.SetRecordDefaults();
}

void RunConfigDialog(HostDecodeContext& context) {
    // Until the terminal presentation lands there is nowhere to show the dialog.
    context.DialogResult = 2;
}

}  // namespace hdmi::ui
