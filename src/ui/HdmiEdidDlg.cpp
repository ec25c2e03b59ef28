#include "ui/HdmiEdidDlg.h"

#include "plugin/Colors.h"
#include "plugin/Settings.h"
#include "ui/DialogResources.h"
#include "ui/ResourceIds.h"
#include "ui/SectionIcons.h"

namespace hdmi::ui {

using namespace platform;

// In slot order, which is the order colours are loaded and stored in. The dialog's own defaults
// differ from the record defaults (slot k = k).
const HDMI_EDID_DLG::PickerSlot HDMI_EDID_DLG::kPickers[] = {
    {&HDMI_EDID_DLG::startColor_, kIdStartColor, kSlotStart, 0},
    {&HDMI_EDID_DLG::stopColor_, kIdStopColor, kSlotStop, 1},
    {&HDMI_EDID_DLG::ackColor_, kIdAckColor, kSlotAck, 5},
    {&HDMI_EDID_DLG::nackColor_, kIdNackColor, kSlotNack, 6},
    {&HDMI_EDID_DLG::addressColor_, kIdAddressColor, kSlotAddress, 2},
    {&HDMI_EDID_DLG::dataColor_, kIdDataColor, kSlotData, 3},
    {&HDMI_EDID_DLG::readWriteColor_, kIdReadWriteColor, kSlotReadWrite, 4},
};

namespace {
// Item data of the colour items; the index is the colour, so nothing reads it.
const char kColorItemPlaceholder[] = "";

constexpr int kIconPlaceholders[kSectionIconCount] = {kIdParameterIcon, kIdColorIcon, kIdRangeIcon};
constexpr int kSectionTitles[] = {kIdParameterTitle, kIdColorTitle, kIdRangeTitle};
constexpr int kRuleGap = 5;

// An empty list stores "Buffer Head": an index outside the list must never reach the decoder.
uint32_t RangeIndex(const CComboBox& list) {
    const int selection = list.GetCurSel();
    return selection >= 0 ? static_cast<uint32_t>(selection) & kDecodeFromMask : 0;
}
}  // namespace

HDMI_EDID_DLG::HDMI_EDID_DLG(HostDecodeContext* settings)
    : Dialog(kSettingsDialogId, ModuleResources()), settings_(settings) {}

HDMI_EDID_DLG::~HDMI_EDID_DLG() = default;

void HDMI_EDID_DLG::SetRecordDefaults() {
    HostDecodeContext& s = *settings_;
    s.ChannelCount = 2;
    s.SettingsState = 1;
    for (int i = 0; i < s.ChannelCount; ++i) s.ChannelMap[i] = i;
    for (int slot = 0; slot <= 8; ++slot)
        SetColorIndexOfSlot(s.ColorSlotsLow, s.ColorSlotsHigh, slot, static_cast<uint32_t>(slot));
    SetColorIndexOfSlot(s.ColorSlotsLow, s.ColorSlotsHigh, 9, kUnslottedColorIndex);
    s.DecodeFlags = 0;
    s.DialogResult = 1;
}

void HDMI_EDID_DLG::DoDataExchange(DataExchange& exchange) {
    Dialog::DoDataExchange(exchange);
    for (const PickerSlot& p : kPickers) exchange.Control(p.controlId, this->*p.picker);
    exchange.Control(kIdSclSpin, sclSpin_);
    exchange.Control(kIdSdaSpin, sdaSpin_);
    exchange.Control(kIdRangeFrom, rangeFrom_);
    exchange.Control(kIdRangeTo, rangeTo_);
}

bool HDMI_EDID_DLG::OnInitDialog() {
    Dialog::OnInitDialog();
    const HostDecodeContext& s = *settings_;

    for (const PickerSlot& p : kPickers) {
        CColorPicker& picker = this->*p.picker;
        if ((picker.GetStyle() & (kStyleOwnerDrawFixed | kStyleDropDownList)) == 0) continue;
        picker.ResetContent();
        for (int i = 0; i < CColorPicker::kColorCount; ++i) picker.AddString(kColorItemPlaceholder);
        picker.SetCurSel(0);
    }

    const int lastChannel = static_cast<int>(s.HostChannelCount) - 1;
    sclSpin_.SetRange32(0, lastChannel);
    sdaSpin_.SetRange32(0, lastChannel);

    CheckDlgButton(kIdIgnoreGlitch, (s.DecodeFlags & kDecodeIgnoreGlitch) != 0);
    CheckDlgButton(kIdStatistics, (s.DecodeFlags & kDecodeStatistics) != 0);
    CheckRadioButton(kIdSevenBit, kIdEightBit,
                     (s.DecodeFlags & kDecodeEightBit) != 0 ? kIdEightBit : kIdSevenBit);

    if ((s.SettingsState & 1) == 0) {
        ApplyDialogDefaults();
        return true;
    }

    for (const PickerSlot& p : kPickers)
        (this->*p.picker)
            .SetCurSel(static_cast<int>(ColorIndexOfSlot(s.ColorSlotsLow, s.ColorSlotsHigh, p.slot)));
    rangeFrom_.SetCurSel(static_cast<int>(s.DecodeFlags & kDecodeFromMask));
    rangeTo_.SetCurSel(static_cast<int>((s.DecodeFlags >> kDecodeToShift) & kDecodeFromMask));
    sclSpin_.SetPos(s.ChannelMap[0] & 0xFFFF);
    sdaSpin_.SetPos(s.ChannelMap[1] & 0xFFFF);
    RefreshChannelLabels();
    return true;
}

void HDMI_EDID_DLG::ApplyDialogDefaults() {
    for (const PickerSlot& p : kPickers) (this->*p.picker).SetCurSel(p.dialogDefault);
    sclSpin_.SetPos(0);
    sdaSpin_.SetPos(1);
    rangeFrom_.SetCurSel(0);
    rangeTo_.SetCurSel(0);
    CheckDlgButton(kIdIgnoreGlitch, false);
    CheckDlgButton(kIdStatistics, false);
    CheckRadioButton(kIdSevenBit, kIdEightBit, kIdEightBit);
    RefreshChannelLabels();
}

void HDMI_EDID_DLG::OnCommand(int id) {
    switch (id) {
        case kIdDefault:
            OnDefaultClicked();
            break;
        case kIdOk:
            OnOkClicked();
            break;
        case kIdCancel:
            OnCancelClicked();
            break;
        default:
            Dialog::OnCommand(id);
            break;
    }
}

void HDMI_EDID_DLG::OnDefaultClicked() {
    ApplyDialogDefaults();
}

void HDMI_EDID_DLG::OnOkClicked() {
    const bool ignoreGlitch = IsDlgButtonChecked(kIdIgnoreGlitch);
    const bool sevenBit = GetCheckedRadioButton(kIdSevenBit, kIdEightBit) == kIdSevenBit;
    const bool statistics = IsDlgButtonChecked(kIdStatistics);

    // Everything is gathered first and written in one step.
    HostDecodeContext& s = *settings_;
    uint32_t low = s.ColorSlotsLow;
    uint32_t high = s.ColorSlotsHigh;
    for (const PickerSlot& p : kPickers)
        SetColorIndexOfSlot(low, high, p.slot, static_cast<uint32_t>((this->*p.picker).GetCurSel()));
    uint32_t flags = RangeIndex(rangeFrom_) | RangeIndex(rangeTo_) << kDecodeToShift;
    if (ignoreGlitch) flags |= kDecodeIgnoreGlitch;
    if (!sevenBit) flags |= kDecodeEightBit;
    if (statistics) flags |= kDecodeStatistics;

    s.ChannelCount = 2;
    s.ChannelMap[0] = sclSpin_.GetPos32();
    s.ChannelMap[1] = sdaSpin_.GetPos32();
    s.ColorSlotsLow = low;
    s.ColorSlotsHigh = high;
    s.DecodeFlags = flags;
    s.SettingsState |= 1;
    s.DialogResult = 1;
    Dialog::OnOK();
}

void HDMI_EDID_DLG::OnCancelClicked() {
    settings_->DialogResult = 2;
    Dialog::OnCancel();
}

void HDMI_EDID_DLG::OnSysCommand(uint32_t command) {
    // The low four bits of a system command are the frame's own.
    if ((command & 0xFFF0) == kSysCommandClose) {
        settings_->DialogResult = 2;
        Dialog::OnCancel();
        return;
    }
    Dialog::OnSysCommand(command);
}

int HDMI_EDID_DLG::OnDeltaPos(int id, const UpDownChange& change) {
    if (id != kIdSclSpin && id != kIdSdaSpin) return Dialog::OnDeltaPos(id, change);
    const int channel = change.position + change.delta;
    if (channel >= 0 && channel < static_cast<int>(settings_->HostChannelCount))
        ShowChannelName(id == kIdSclSpin ? kIdSclLabel : kIdSdaLabel, channel);
    return 0;
}

void HDMI_EDID_DLG::RefreshChannelLabels() {
    ShowChannelName(kIdSclLabel, sclSpin_.GetPos32());
    ShowChannelName(kIdSdaLabel, sdaSpin_.GetPos32());
}

void HDMI_EDID_DLG::ShowChannelName(int labelId, int channel) {
    char name[16];
    FormatChannelNumber(settings_->HostFlags, channel, name, sizeof name);
    SetDlgItemText(labelId, name);
}

void HDMI_EDID_DLG::OnPaint(CDC& dc) {
    if (const BitmapView* icons = Resources().FindBitmap(kSectionIconsBitmapId)) {
        for (int k = 0; k < kSectionIconCount; ++k) {
            const ControlWindow* placeholder = GetDlgItem(kIconPlaceholders[k]);
            if (placeholder == nullptr) continue;
            const int x = placeholder->rect.left;
            const int y = placeholder->rect.top;
            const int sx = k * kSectionIconSize;
            dc.BitBlt(x, y, kSectionIconSize, kSectionIconSize, *icons, sx, 0, RasterOp::Invert);
            dc.BitBlt(x, y, kSectionIconSize, kSectionIconSize, *icons, sx, kSectionIconSize, RasterOp::And);
            dc.BitBlt(x, y, kSectionIconSize, kSectionIconSize, *icons, sx, 0, RasterOp::Invert);
        }
    }

    Pen grey(1, Rgb(0x80, 0x80, 0x80));
    Pen white(1, Rgb(0xFF, 0xFF, 0xFF));
    Pen* oldPen = dc.SelectObject(&grey);
    const int right = ClientRect().right - kRuleGap;
    for (int id : kSectionTitles) {
        const ControlWindow* title = GetDlgItem(id);
        if (title == nullptr) continue;
        const int y = (title->rect.top + title->rect.bottom) / 2;
        const int left = title->rect.right + kRuleGap;
        dc.SelectObject(&grey);
        dc.MoveTo(left, y);
        dc.LineTo(right, y);
        dc.SelectObject(&white);
        dc.MoveTo(left, y + 1);
        dc.LineTo(right, y + 1);
    }
    dc.SelectObject(oldPen);
}

}  // namespace hdmi::ui
