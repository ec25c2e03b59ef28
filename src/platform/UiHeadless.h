// A presentation without a screen: it creates a dialog's window, lets a caller act on its
// controls by id the way a user would, and keeps what the dialog paints on surfaces that can be
// inspected afterwards.
#pragma once

#include <memory>
#include <string>

#include "platform/UiDialog.h"
#include "platform/UiGraphics.h"

namespace hdmi::platform {

class HeadlessPresentation {
  public:
    // Creates and initialises the dialog's window. Opened() is false when the template is missing.
    HeadlessPresentation(Dialog& dialog, Language language = Language::English);
    ~HeadlessPresentation();
    HeadlessPresentation(const HeadlessPresentation&) = delete;
    HeadlessPresentation& operator=(const HeadlessPresentation&) = delete;

    bool Opened() const { return opened_; }
    bool IsOpen() const { return opened_ && !dialog_.IsEnded(); }
    int Result() const { return dialog_.ModalResult(); }

    // User actions.
    void Click(int id);
    // One step of an up-down control's arrow; returns the dialog's answer (0 = allowed).
    int StepSpin(int id, int delta);
    // Picks an entry of a drop-down list.
    void Choose(int id, int index);
    void SysCommand(uint32_t command);
    void CloseBox() { SysCommand(kSysCommandClose); }

    // Paints the dialog on a fresh surface of its client size.
    const Surface& Paint();
    // Asks an owner-drawn control to draw one item on a fresh surface of width x item height.
    const Surface& DrawItem(int id, int item, uint32_t state, int width);

    // What the controls show.
    std::string Text(int id) const { return dialog_.GetDlgItemText(id); }
    bool IsChecked(int id) const { return dialog_.IsDlgButtonChecked(id); }
    int Selection(int id) const;
    int ItemCount(int id) const;
    int SpinPosition(int id) const;
    const ControlWindow* Control(int id) const { return dialog_.GetDlgItem(id); }

  private:
    Dialog& dialog_;
    bool opened_ = false;
    std::unique_ptr<Surface> surface_;
};

}  // namespace hdmi::platform
