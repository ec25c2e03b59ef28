// A dialog shown in a text terminal. The dialog's template is laid out on character cells: each
// distinct top edge (and each group box's bottom edge) gets a row, and every four dialog units
// across make a column. Controls are drawn by kind; owner-drawn items and the dialog's own
// painting are drawn by the dialog on a surface and translated into cells.
#pragma once

#include <vector>

#include "platform/TerminalDevice.h"
#include "platform/TerminalScreen.h"
#include "platform/UiDialog.h"

namespace hdmi::platform {

class TerminalDialogView {
  public:
    // The dialog must have its window.
    explicit TerminalDialogView(Dialog& dialog);

    // Tab and Shift-Tab move between controls; arrows and +/- change the focused spin, list or
    // radio group; space toggles or presses; Enter presses the focused button or else the default
    // one; Esc cancels; Ctrl-C and a lost terminal close the dialog from its frame.
    void HandleKey(Key key);
    int FocusedId() const;

    // The dialog box with its frame.
    TerminalScreen Draw() const;
    int Rows() const { return static_cast<int>(anchors_.size()) + 2; }
    int Columns() const;

  private:
    int RowOfUnits(int y) const;  // -1 above the first row
    int RowOfPixels(int y) const;
    static int ColumnOfUnits(int x) { return 1 + x / 4; }
    static int ColumnOfPixels(int x) { return 1 + x / kBaseUnitX; }
    static int WidthOfUnits(int x, int cx);

    void MoveFocus(int direction);
    void StepList(ControlWindow& list, int delta);
    void StepRadio(int direction);
    int DefaultButtonId() const;

    void DrawGroupBox(TerminalScreen& screen, const ControlWindow& w) const;
    void DrawControl(TerminalScreen& screen, const ControlWindow& w, bool focused) const;
    void DrawOwnerDrawnField(TerminalScreen& screen, const ControlWindow& w, int row, int column, int cells,
                             bool focused) const;
    void DrawPainting(TerminalScreen& screen) const;
    void DrawFrame(TerminalScreen& screen) const;

    Dialog& dialog_;
    std::vector<int> anchors_;  // dialog-unit y of each content row
    size_t focus_ = 0;          // index into the dialog's controls
};

// Shows the dialog in the process's terminal until it ends and returns its modal result; -1 when
// the process has no terminal or the dialog cannot be created. The terminal is put back as it was.
int RunDialogInTerminal(Dialog& dialog, Language language);

// What the loop writes for one view on a terminal of the given size: the box centred and cut to
// the terminal, after a clear of the screen when `clear` is set.
std::string TerminalFrame(const TerminalDialogView& view, TerminalSize size, bool clear);

}  // namespace hdmi::platform
