#include "platform/UiHeadless.h"

namespace hdmi::platform {

HeadlessPresentation::HeadlessPresentation(Dialog& dialog, Language language) : dialog_(dialog) {
    opened_ = dialog_.Create(language);
}

HeadlessPresentation::~HeadlessPresentation() {
    dialog_.DestroyWindow();
}

void HeadlessPresentation::Click(int id) {
    dialog_.ClickButton(id);
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
