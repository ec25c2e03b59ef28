#include "platform/UiDialog.h"

#include <algorithm>
#include <clocale>
#include <cstring>

namespace hdmi::platform {

Language LanguageFromLocaleName(const char* name) {
    if (name == nullptr || std::strncmp(name, "zh", 2) != 0) return Language::English;
    // The territory follows "zh_"; codeset and modifier follow it.
    if (std::strncmp(name, "zh_TW", 5) == 0 || std::strncmp(name, "zh_HK", 5) == 0)
        return Language::TraditionalChinese;
    const char after = name[2];
    if (after != '\0' && after != '_' && after != '.' && after != '@')
        return Language::English;  // "zha", ...
    return Language::SimplifiedChinese;
}

#ifndef _WIN32  // Windows picks the language of each resource itself (UiWin32.cpp)
Language CurrentUiLanguage() {
    return LanguageFromLocaleName(std::setlocale(LC_MESSAGES, nullptr));
}
#endif

const DialogTemplate* ResourceModule::FindDialog(int id, Language language) const {
    const DialogTemplate* english = nullptr;
    for (const DialogTemplate& t : dialogs) {
        if (t.id != id) continue;
        if (t.language == language) return &t;
        if (t.language == Language::English) english = &t;
    }
    return english;
}

const BitmapView* ResourceModule::FindBitmap(int id) const {
    for (const BitmapResource& b : bitmaps)
        if (b.id == id) return &b.bitmap;
    return nullptr;
}

// ---- Control objects -------------------------------------------------------------------------

ControlObject::~ControlObject() {
    Detach();
}

void ControlObject::Attach(ControlWindow* window) {
    Detach();
    window_ = window;
    if (window_ != nullptr) window_->object = this;
}

void ControlObject::Detach() {
    if (window_ != nullptr && window_->object == this) window_->object = nullptr;
    window_ = nullptr;
}

void ControlObject::DrawItem(const DrawItemStruct&) {}

void CComboBox::ResetContent() {
    Window()->items.clear();
    Window()->itemData.clear();
    Window()->selection = -1;
}

int CComboBox::AddString(const char* text) {
    ControlWindow& w = *Window();
    const bool strings = (w.style & kStyleHasStrings) != 0;
    w.items.emplace_back(strings && text != nullptr ? text : "");
    w.itemData.push_back(strings ? 0 : reinterpret_cast<uintptr_t>(text));
    return static_cast<int>(w.items.size()) - 1;
}

int CComboBox::GetCount() const {
    return static_cast<int>(Window()->items.size());
}

int CComboBox::GetCurSel() const {
    return Window()->selection;
}

int CComboBox::SetCurSel(int index) {
    ControlWindow& w = *Window();
    if (index < 0 || index >= static_cast<int>(w.items.size())) {
        w.selection = -1;
        return kError;
    }
    w.selection = index;
    return index;
}

uintptr_t CComboBox::GetItemData(int index) const {
    const ControlWindow& w = *Window();
    if (index < 0 || index >= static_cast<int>(w.itemData.size())) return static_cast<uintptr_t>(kError);
    return w.itemData[static_cast<size_t>(index)];
}

namespace {
int ClampToRange(const ControlWindow& w, int position) {
    const int low = std::min(w.spinLower, w.spinUpper);
    const int high = std::max(w.spinLower, w.spinUpper);
    return std::clamp(position, low, high);
}
}  // namespace

void CSpinButtonCtrl::SetRange32(int lower, int upper) {
    Window()->spinLower = lower;
    Window()->spinUpper = upper;
    Window()->spinPosition = ClampToRange(*Window(), Window()->spinPosition);
}

int CSpinButtonCtrl::SetPos(int position) {
    ControlWindow& w = *Window();
    const int old = w.spinPosition;
    w.spinPosition = ClampToRange(w, static_cast<int16_t>(position & 0xFFFF));
    return old;
}

int CSpinButtonCtrl::GetPos32() const {
    return Window()->spinPosition;
}

void DataExchange::Control(int id, ControlObject& object) {
    if (saving_) return;  // binding happens once, when the controls are loaded
    object.Attach(dialog_.GetDlgItem(id));
}

// ---- Dialog ----------------------------------------------------------------------------------

Dialog::Dialog(int templateId, const ResourceModule& resources)
    : templateId_(templateId), resources_(resources) {}

Dialog::~Dialog() {
    DestroyWindow();
}

bool Dialog::Create(Language language) {
    DestroyWindow();
    template_ = resources_.FindDialog(templateId_, language);
    if (template_ == nullptr) return false;
    ended_ = false;
    result_ = 0;
    clientRect_ = {};
    controls_.reserve(template_->items.size());
    for (const ItemTemplate& item : template_->items) {
        ControlWindow w;
        w.source = &item;
        w.id = item.id;
        w.kind = item.kind;
        w.style = item.style;
        w.text = item.caption != nullptr ? item.caption : "";
        w.rect = {DialogUnitsToPixelsX(item.x), DialogUnitsToPixelsY(item.y),
                  DialogUnitsToPixelsX(item.x + item.cx), DialogUnitsToPixelsY(item.y + item.cy)};
        for (const char* entry : item.initialItems) {
            w.items.emplace_back(entry);
            w.itemData.push_back(0);
        }
        controls_.push_back(std::move(w));
    }
    OnInitDialog();
    return true;
}

void Dialog::DestroyWindow() {
    for (ControlWindow& w : controls_)
        if (w.object != nullptr) w.object->Detach();
    controls_.clear();
    template_ = nullptr;
}

Rect Dialog::ClientRect() const {
    if (template_ == nullptr) return {};
    if (clientRect_.Width() > 0) return clientRect_;
    return {0, 0, DialogUnitsToPixelsX(template_->cx), DialogUnitsToPixelsY(template_->cy)};
}

void Dialog::ClickButton(int id) {
    ControlWindow* w = GetDlgItem(id);
    if (w == nullptr || template_ == nullptr || ended_) return;
    const bool automatic = (w->style & kStyleAuto) != 0;
    if (w->kind == ControlKind::CheckBox && automatic) w->checked = !w->checked;
    if (w->kind == ControlKind::RadioButton && automatic) {
        // The group runs from the nearest group start at or before the button to the next one.
        const size_t at = static_cast<size_t>(w - controls_.data());
        size_t first = at;
        while (first > 0 && (controls_[first].style & kStyleGroup) == 0) --first;
        size_t end = first + 1;
        while (end < controls_.size() && (controls_[end].style & kStyleGroup) == 0) ++end;
        for (size_t i = first; i < end; ++i)
            if (controls_[i].kind == ControlKind::RadioButton) controls_[i].checked = i == at;
    }
    SendCommand(id);
}

void Dialog::SendCommand(int id) {
    if (template_ != nullptr && !ended_) OnCommand(id);
}

int Dialog::SendDeltaPos(int id, int delta) {
    ControlWindow* w = GetDlgItem(id);
    if (w == nullptr || w->kind != ControlKind::UpDown || ended_) return 1;
    const int answer = OnDeltaPos(id, {w->spinPosition, delta});
    if (answer == 0) w->spinPosition = ClampToRange(*w, w->spinPosition + delta);
    return answer;
}

void Dialog::SendPaint(Surface& surface) {
    if (template_ == nullptr) return;
    CDC dc(&surface);
    OnPaint(dc);
}

void Dialog::SendSysCommand(uint32_t command) {
    if (template_ != nullptr && !ended_) OnSysCommand(command);
}

void Dialog::SendDrawItem(int id, int item, uint32_t state, Surface& surface, const Rect& rect) {
    ControlWindow* w = GetDlgItem(id);
    if (w == nullptr || w->object == nullptr) return;
    DrawItemStruct request;
    request.controlId = id;
    request.itemId = item;
    request.itemState = state;
    request.hdc = &surface;
    request.rcItem = rect;
    if (item >= 0 && item < static_cast<int>(w->itemData.size()))
        request.itemData = w->itemData[static_cast<size_t>(item)];
    w->object->DrawItem(request);
}

ControlWindow* Dialog::GetDlgItem(int id) {
    if (id == kIdStatic) return nullptr;
    for (ControlWindow& w : controls_)
        if (w.id == id) return &w;
    return nullptr;
}

const ControlWindow* Dialog::GetDlgItem(int id) const {
    return const_cast<Dialog*>(this)->GetDlgItem(id);
}

void Dialog::SetDlgItemText(int id, const char* text) {
    if (ControlWindow* w = GetDlgItem(id)) w->text = text != nullptr ? text : "";
}

std::string Dialog::GetDlgItemText(int id) const {
    const ControlWindow* w = GetDlgItem(id);
    return w != nullptr ? w->text : std::string();
}

void Dialog::CheckDlgButton(int id, bool checked) {
    if (ControlWindow* w = GetDlgItem(id)) w->checked = checked;
}

bool Dialog::IsDlgButtonChecked(int id) const {
    const ControlWindow* w = GetDlgItem(id);
    return w != nullptr && w->checked;
}

void Dialog::CheckRadioButton(int firstId, int lastId, int checkId) {
    for (ControlWindow& w : controls_)
        if (w.id >= firstId && w.id <= lastId && w.kind == ControlKind::RadioButton)
            w.checked = w.id == checkId;
}

int Dialog::GetCheckedRadioButton(int firstId, int lastId) const {
    for (const ControlWindow& w : controls_)
        if (w.id >= firstId && w.id <= lastId && w.kind == ControlKind::RadioButton && w.checked) return w.id;
    return 0;
}

void Dialog::EndDialog(int result) {
    ended_ = true;
    result_ = result;
}

bool Dialog::UpdateData(bool saving) {
    DataExchange exchange(*this, saving);
    DoDataExchange(exchange);
    return true;
}

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::OnCommand(int id) {
    if (id == kIdOk) OnOK();
    if (id == kIdCancel) OnCancel();
}

int Dialog::OnDeltaPos(int, const UpDownChange&) {
    return 0;
}

void Dialog::OnPaint(CDC&) {}

void Dialog::OnSysCommand(uint32_t command) {
    // Closing a dialog from its frame cancels it; the other commands concern only the frame.
    if (command == kSysCommandClose) SendCommand(kIdCancel);
}

void Dialog::OnOK() {
    UpdateData(true);
    EndDialog(kIdOk);
}

void Dialog::OnCancel() {
    EndDialog(kIdCancel);
}

}  // namespace hdmi::platform
