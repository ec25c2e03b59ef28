// Dialogs for our stand-in of the UI framework: templates as data, control windows found by id,
// member objects bound to them by data exchange, and the messages a dialog handles. A
// presentation (headless or terminal) creates the dialog's window from its template, sends it
// messages and shows its controls; the dialog itself never knows which presentation runs it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/UiGraphics.h"

namespace hdmi::platform {

enum class Language { English, TraditionalChinese, SimplifiedChinese };

// zh_TW and zh_HK (any codeset or modifier) are Traditional Chinese, any other zh Simplified
// Chinese, everything else (including null) English.
Language LanguageFromLocaleName(const char* name);
// The language of the C library's current message locale.
Language CurrentUiLanguage();

enum class ControlKind { Static, GroupBox, PushButton, CheckBox, RadioButton, UpDown, ComboBox };

// Control style bits.
inline constexpr uint32_t kStyleHidden = 1u << 0;
inline constexpr uint32_t kStyleTabStop = 1u << 1;
inline constexpr uint32_t kStyleGroup = 1u << 2;          // first control of a radio group
inline constexpr uint32_t kStyleDefaultButton = 1u << 3;  // the button Enter presses
inline constexpr uint32_t kStyleSunken = 1u << 4;
inline constexpr uint32_t kStyleCenterVertically = 1u << 5;
inline constexpr uint32_t kStyleArrowKeys = 1u << 6;     // up-down control follows arrow keys
inline constexpr uint32_t kStyleDropDownList = 1u << 7;  // combo box without an edit field
inline constexpr uint32_t kStyleOwnerDrawFixed = 1u << 8;
inline constexpr uint32_t kStyleHasStrings = 1u << 9;
inline constexpr uint32_t kStyleAuto = 1u << 10;  // check box / radio button changes itself on click

// Dialog style bits.
inline constexpr uint32_t kDialogModalFrame = 1u << 0;
inline constexpr uint32_t kDialogCaption = 1u << 1;
inline constexpr uint32_t kDialogSystemMenu = 1u << 2;
inline constexpr uint32_t kDialogCentered = 1u << 3;

inline constexpr int kIdStatic = -1;  // controls nobody looks up
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

inline constexpr uint32_t kSysCommandClose = 0xF060;
inline constexpr uint32_t kSysCommandMove = 0xF010;

// Geometry in dialog units.
struct ItemTemplate {
    int id = kIdStatic;
    ControlKind kind = ControlKind::Static;
    uint32_t style = 0;
    const char* caption = "";
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    std::span<const char* const> initialItems = {};  // list entries a combo box is filled with
};

struct DialogTemplate {
    int id = 0;
    Language language = Language::English;
    const char* caption = "";
    const char* fontName = "";
    int fontPoints = 0;
    int cx = 0;
    int cy = 0;
    uint32_t style = 0;
    std::span<const ItemTemplate> items = {};
};

struct BitmapResource {
    int id = 0;
    BitmapView bitmap;
};

// The resources of one module.
struct ResourceModule {
    std::span<const DialogTemplate> dialogs;
    std::span<const BitmapResource> bitmaps;

    // The template in the wanted language, else the English one, else null.
    const DialogTemplate* FindDialog(int id, Language language) const;
    const BitmapView* FindBitmap(int id) const;
};

// Dialog units to pixels for the dialog font (average character 6 x 13 pixels).
inline constexpr int kBaseUnitX = 6;
inline constexpr int kBaseUnitY = 13;
constexpr int DialogUnitsToPixelsX(int units) {
    return units * kBaseUnitX / 4;
}
constexpr int DialogUnitsToPixelsY(int units) {
    return units * kBaseUnitY / 8;
}

// Owner-drawn items.
inline constexpr int kOwnerDrawItemHeight = 14;  // the stock height of a fixed owner-drawn item
inline constexpr uint32_t kItemStateSelected = 0x0001;
inline constexpr uint32_t kItemStateFocus = 0x0010;
inline constexpr uint32_t kItemStateComboBoxEdit = 0x1000;

struct DrawItemStruct {
    int controlId = 0;
    int itemId = -1;
    uint32_t itemState = 0;
    Surface* hdc = nullptr;
    Rect rcItem;
    uintptr_t itemData = 0;
};

class ControlObject;

// A control's window: everything the framework keeps about it.
struct ControlWindow {
    const ItemTemplate* source = nullptr;
    int id = kIdStatic;
    ControlKind kind = ControlKind::Static;
    uint32_t style = 0;
    std::string text;
    Rect rect;  // pixels, dialog client coordinates
    bool checked = false;
    std::vector<std::string> items;
    std::vector<uintptr_t> itemData;
    int selection = -1;
    int spinLower = 0;
    int spinUpper = 0;
    int spinPosition = 0;
    ControlObject* object = nullptr;  // the member object bound to this window, if any
};

// A member object that stands for a control window once data exchange has bound it.
class ControlObject {
  public:
    ControlObject() = default;
    virtual ~ControlObject();
    ControlObject(const ControlObject&) = delete;
    ControlObject& operator=(const ControlObject&) = delete;

    void Attach(ControlWindow* window);
    void Detach();
    ControlWindow* Window() const { return window_; }
    uint32_t GetStyle() const { return window_ != nullptr ? window_->style : 0; }

    // Paints one item of an owner-drawn control; the stock control draws nothing.
    virtual void DrawItem(const DrawItemStruct& item);

  private:
    ControlWindow* window_ = nullptr;
};

class CComboBox : public ControlObject {
  public:
    static constexpr int kError = -1;
    void ResetContent();
    int AddString(const char* text);  // without kStyleHasStrings the pointer is kept as item data
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);  // an index outside the list clears the selection and returns kError
    uintptr_t GetItemData(int index) const;
};

class CSpinButtonCtrl : public ControlObject {
  public:
    void SetRange32(int lower, int upper);
    // The position is a 16-bit value, brought into the range.
    int SetPos(int position);
    int GetPos32() const;
};

class Dialog;

class DataExchange {
  public:
    DataExchange(Dialog& dialog, bool saving) : dialog_(dialog), saving_(saving) {}
    bool Saving() const { return saving_; }
    // Binds a member object to the control with this id.
    void Control(int id, ControlObject& object);

  private:
    Dialog& dialog_;
    bool saving_;
};

struct UpDownChange {
    int position = 0;
    int delta = 0;
};

class Dialog {
  public:
    Dialog(int templateId, const ResourceModule& resources);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Window life, driven by a presentation.
    bool Create(Language language);
    void DestroyWindow();
    bool HasWindow() const { return template_ != nullptr; }
    int TemplateId() const { return templateId_; }
    const DialogTemplate* Template() const { return template_; }
    Rect ClientRect() const;
    // A presentation with real windows sets the client area it measured (pixels).
    void SetClientRect(const Rect& rect) { clientRect_ = rect; }
    bool IsEnded() const { return ended_; }
    int ModalResult() const { return result_; }
    std::vector<ControlWindow>& Controls() { return controls_; }
    const std::vector<ControlWindow>& Controls() const { return controls_; }
    const ResourceModule& Resources() const { return resources_; }

    // Messages.
    // A click on a button as a user makes it: an automatic check box toggles, an automatic radio
    // button checks itself and clears the others of its group, then the dialog hears the command.
    void ClickButton(int id);
    void SendCommand(int id);
    // Asks the dialog whether the up-down position may change by `delta`; when it may, the
    // position moves, staying in its range. Returns the dialog's answer (0 = allowed).
    int SendDeltaPos(int id, int delta);
    void SendPaint(Surface& surface);
    void SendSysCommand(uint32_t command);
    // Reflects a draw request for an owner-drawn control to the object bound to it.
    void SendDrawItem(int id, int item, uint32_t state, Surface& surface, const Rect& rect);

    // Control access by id.
    ControlWindow* GetDlgItem(int id);
    const ControlWindow* GetDlgItem(int id) const;
    void SetDlgItemText(int id, const char* text);
    std::string GetDlgItemText(int id) const;
    void CheckDlgButton(int id, bool checked);
    bool IsDlgButtonChecked(int id) const;
    void CheckRadioButton(int firstId, int lastId, int checkId);
    int GetCheckedRadioButton(int firstId, int lastId) const;  // 0 when none is checked

    void EndDialog(int result);
    bool UpdateData(bool saving);

  protected:
    virtual void DoDataExchange(DataExchange& exchange);
    virtual bool OnInitDialog();
    virtual void OnCommand(int id);
    virtual int OnDeltaPos(int id, const UpDownChange& change);
    virtual void OnPaint(CDC& dc);
    virtual void OnSysCommand(uint32_t command);
    virtual void OnOK();
    virtual void OnCancel();

  private:
    int templateId_;
    const ResourceModule& resources_;
    const DialogTemplate* template_ = nullptr;
    Rect clientRect_;
    std::vector<ControlWindow> controls_;
    bool ended_ = false;
    int result_ = 0;
};

}  // namespace hdmi::platform
