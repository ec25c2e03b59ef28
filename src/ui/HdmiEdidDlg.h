// The settings dialog: which host channels carry SCL and SDA, glitch filter, address mode,
// statistics mode, decode range and the colours of seven packet classes. It reads the record when
// it opens and writes it only on OK; the host learns the outcome from DialogResult.
#pragma once

#include "platform/UiDialog.h"
#include "plugin/HostRecords.h"
#include "ui/ColorPicker.h"

namespace hdmi::ui {

class HDMI_EDID_DLG : public platform::Dialog {
  public:
    explicit HDMI_EDID_DLG(HostDecodeContext* settings);
    ~HDMI_EDID_DLG() override;

    // The record defaults, written straight into the record; needs no window.
    void SetRecordDefaults();

  protected:
    void DoDataExchange(platform::DataExchange& exchange) override;
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    int OnDeltaPos(int id, const platform::UpDownChange& change) override;
    void OnPaint(platform::CDC& dc) override;
    void OnSysCommand(uint32_t command) override;

  private:
    struct PickerSlot {
        CColorPicker HDMI_EDID_DLG::*picker;
        int controlId;
        int slot;
        int dialogDefault;
    };
    static const PickerSlot kPickers[];

    void OnDefaultClicked();
    void OnOkClicked();
    void OnCancelClicked();
    void ApplyDialogDefaults();
    void RefreshChannelLabels();
    void ShowChannelName(int labelId, int channel);

    HostDecodeContext* settings_;
    CColorPicker startColor_;
    CColorPicker stopColor_;
    CColorPicker ackColor_;
    CColorPicker nackColor_;
    CColorPicker readWriteColor_;
    CColorPicker addressColor_;
    CColorPicker dataColor_;
    platform::CSpinButtonCtrl sclSpin_;
    platform::CSpinButtonCtrl sdaSpin_;
    platform::CComboBox rangeFrom_;
    platform::CComboBox rangeTo_;
};

}  // namespace hdmi::ui
