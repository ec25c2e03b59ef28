#include "platform/UiHeadless.h"

namespace hdmi::platform {

HeadlessPresentation::HeadlessPresentation(Dialog& dialog, Language language) : dialog_(dialog) {
    opened_ = dialog_.Create(language);
}

HeadlessPresentation::~HeadlessPresentation() {
    dialog_.DestroyWindow();
}

void HeadlessPresentation::Click(int id) {
    ControlWindow* w = dialog_.GetDlgItem(id);
    if (w == nullptr || !IsOpen()) return;
    if (w->kind == ControlKind::CheckBox && (w->style & kStyleAuto) != 0) w->checked = !w->checked;
    if (w->kind == ControlKind::RadioButton && (w->style & kStyleAuto) != 0) {
        // The group runs from the nearest group start at or before the button to the next one.
        auto& controls = dialog_.Controls();
        size_t at = static_cast<size_t>(w - controls.data());
        size_t first = at;
        while (first > 0 && (controls[first].style & kStyleGroup) == 0) --first;
        size_t end = first + 1;
        while (end < controls.size() && (controls[end].style & kStyleGroup) == 0) ++end;
        for (size_t i = first; i < end; ++i)
            if (controls[i].kind == ControlKind::RadioButton) controls[i].checked = i == at;
    }
    dialog_.SendCommand(id);
}

int HeadlessPresentation::StepSpin(int id, int delta) {
    return IsOpen() ? dialog_.SendDeltaPos(id, delta) : 1;
}

void HeadlessPresentation::Choose(int id, int index) {
    ControlWindow* w = dialog_.GetDlgItem(id);
    if (w == nullptr || w->kind != ControlKind::ComboBox || !IsOpen()) return;
    if (index >= 0 && index < static_cast<int>(w->items.size())) w->selection = index;
}

void HeadlessPresentation::SysCommand(uint32_t command) {
    dialog_.SendSysCommand(command);
}

const Surface& HeadlessPresentation::Paint() {
    const Rect client = dialog_.ClientRect();
    surface_ = std::make_unique<Surface>(client.Width(), client.Height(), GetSysColor(SysColor::ButtonFace));
    dialog_.SendPaint(*surface_);
    return *surface_;
}

const Surface& HeadlessPresentation::DrawItem(int id, int item, uint32_t state, int width) {
    surface_ = std::make_unique<Surface>(width, kOwnerDrawItemHeight, 0x000000);
    dialog_.SendDrawItem(id, item, state, *surface_, {0, 0, width, kOwnerDrawItemHeight});
    return *surface_;
}

int HeadlessPresentation::Selection(int id) const {
    const ControlWindow* w = dialog_.GetDlgItem(id);
    return w != nullptr ? w->selection : -1;
}

int HeadlessPresentation::ItemCount(int id) const {
    const ControlWindow* w = dialog_.GetDlgItem(id);
    return w != nullptr ? static_cast<int>(w->items.size()) : 0;
}

int HeadlessPresentation::SpinPosition(int id) const {
    const ControlWindow* w = dialog_.GetDlgItem(id);
    return w != nullptr ? w->spinPosition : 0;
}

}  // namespace hdmi::platform
