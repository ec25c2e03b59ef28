#include "platform/TerminalDialog.h"

#include <algorithm>
#include <string>

namespace hdmi::platform {
namespace {

constexpr int kResizePollMs = 250;
constexpr int kDropDownButtonPixels = 20;  // the closed list's arrow button and border

constexpr const char* kRule = "─";

bool IsVisible(const ControlWindow& w) {
    return (w.style & kStyleHidden) == 0;
}

bool TakesFocus(const ControlWindow& w) {
    return IsVisible(w) && (w.style & kStyleTabStop) != 0 && w.kind != ControlKind::Static &&
           w.kind != ControlKind::GroupBox;
}

CellStyle FieldStyle(bool focused) {
    CellStyle style;
    style.foreground = GetSysColor(focused ? SysColor::HighlightText : SysColor::WindowText);
    style.background = GetSysColor(focused ? SysColor::Highlight : SysColor::Window);
    return style;
}

CellStyle FocusStyle(bool focused) {
    CellStyle style;
    style.reverse = focused;
    return style;
}

bool IsBlank(const Cell& cell) {
    return cell.glyph == " " && cell.style == CellStyle{};
}

}  // namespace

TerminalDialogView::TerminalDialogView(Dialog& dialog) : dialog_(dialog) {
    for (const ControlWindow& w : dialog_.Controls()) {
        if (!IsVisible(w) || w.source == nullptr) continue;
        anchors_.push_back(w.source->y);
        if (w.kind == ControlKind::GroupBox) anchors_.push_back(w.source->y + w.source->cy);
    }
    std::sort(anchors_.begin(), anchors_.end());
    anchors_.erase(std::unique(anchors_.begin(), anchors_.end()), anchors_.end());

    const auto& controls = dialog_.Controls();
    const auto first = std::find_if(controls.begin(), controls.end(), TakesFocus);
    focus_ = static_cast<size_t>(first - controls.begin());
}

int TerminalDialogView::Columns() const {
    const DialogTemplate* t = dialog_.Template();
    return (t != nullptr ? (t->cx + 3) / 4 : 0) + 2;
}

int TerminalDialogView::RowOfUnits(int y) const {
    const auto after = std::upper_bound(anchors_.begin(), anchors_.end(), y);
    return static_cast<int>(after - anchors_.begin());  // content rows start at 1, under the frame
}

int TerminalDialogView::RowOfPixels(int y) const {
    return RowOfUnits(y * 8 / kBaseUnitY);
}

int TerminalDialogView::WidthOfUnits(int x, int cx) {
    return std::max(1, (x + cx) / 4 - x / 4);
}

int TerminalDialogView::FocusedId() const {
    const auto& controls = dialog_.Controls();
    return focus_ < controls.size() ? controls[focus_].id : kIdStatic;
}

int TerminalDialogView::DefaultButtonId() const {
    for (const ControlWindow& w : dialog_.Controls())
        if (w.kind == ControlKind::PushButton && (w.style & kStyleDefaultButton) != 0) return w.id;
    return kIdOk;
}

// ---- Keys ------------------------------------------------------------------------------------

void TerminalDialogView::MoveFocus(int direction) {
    const auto& controls = dialog_.Controls();
    const size_t n = controls.size();
    if (n == 0) return;
    size_t at = focus_ < n ? focus_ : 0;
    for (size_t step = 0; step < n; ++step) {
        at = (at + n + static_cast<size_t>(direction)) % n;
        if (TakesFocus(controls[at])) {
            focus_ = at;
            return;
        }
    }
}

void TerminalDialogView::StepList(ControlWindow& list, int delta) {
    const int count = static_cast<int>(list.items.size());
    if (count == 0) return;
    list.selection = list.selection < 0 ? 0 : std::clamp(list.selection + delta, 0, count - 1);
}

void TerminalDialogView::StepRadio(int direction) {
    // Arrows move through the radio group (it ends at the next group start) and check as they go.
    auto& controls = dialog_.Controls();
    size_t at = focus_;
    for (;;) {
        if (direction > 0) {
            if (at + 1 >= controls.size() || (controls[at + 1].style & kStyleGroup) != 0) return;
            ++at;
        } else {
            if (at == 0 || (controls[at].style & kStyleGroup) != 0) return;
            --at;
        }
        if (controls[at].kind == ControlKind::RadioButton && IsVisible(controls[at])) break;
    }
    focus_ = at;
    dialog_.ClickButton(controls[at].id);
}

void TerminalDialogView::HandleKey(Key key) {
    auto& controls = dialog_.Controls();
    ControlWindow* focused = focus_ < controls.size() ? &controls[focus_] : nullptr;
    const bool forward = key == Key::Down || key == Key::Right || key == Key::Plus;
    const bool upward = key == Key::Up || key == Key::Right || key == Key::Plus;

    switch (key) {
        case Key::Tab:
            MoveFocus(+1);
            return;
        case Key::BackTab:
            MoveFocus(-1);
            return;
        case Key::Escape:
            dialog_.SendCommand(kIdCancel);
            return;
        case Key::Interrupt:
        case Key::HangUp:
            dialog_.SendSysCommand(kSysCommandClose);
            if (!dialog_.IsEnded()) dialog_.EndDialog(kIdCancel);  // nobody is left to answer it
            return;
        case Key::Enter:
            dialog_.ClickButton(focused != nullptr && focused->kind == ControlKind::PushButton
                                    ? focused->id
                                    : DefaultButtonId());
            return;
        case Key::Space:
            if (focused != nullptr &&
                (focused->kind == ControlKind::PushButton || focused->kind == ControlKind::CheckBox ||
                 focused->kind == ControlKind::RadioButton))
                dialog_.ClickButton(focused->id);
            return;
        case Key::Up:
        case Key::Down:
        case Key::Left:
        case Key::Right:
        case Key::Plus:
        case Key::Minus:
            if (focused == nullptr) return;
            switch (focused->kind) {
                case ControlKind::UpDown:
                    dialog_.SendDeltaPos(focused->id, upward ? +1 : -1);
                    return;
                case ControlKind::ComboBox:
                    StepList(*focused, forward ? +1 : -1);
                    return;
                case ControlKind::RadioButton:
                    StepRadio(forward ? +1 : -1);
                    return;
                default:
                    if (key != Key::Plus && key != Key::Minus) MoveFocus(forward ? +1 : -1);
                    return;
            }
        case Key::None:
        case Key::Redraw:
            return;
    }
}

// ---- Drawing ---------------------------------------------------------------------------------

TerminalScreen TerminalDialogView::Draw() const {
    TerminalScreen screen(Rows(), Columns());
    const auto& controls = dialog_.Controls();
    for (const ControlWindow& w : controls)
        if (IsVisible(w) && w.kind == ControlKind::GroupBox) DrawGroupBox(screen, w);
    for (size_t i = 0; i < controls.size(); ++i)
        if (IsVisible(controls[i]) && controls[i].kind != ControlKind::GroupBox)
            DrawControl(screen, controls[i], i == focus_);
    DrawPainting(screen);
    DrawFrame(screen);
    return screen;
}

void TerminalDialogView::DrawGroupBox(TerminalScreen& screen, const ControlWindow& w) const {
    const ItemTemplate& t = *w.source;
    const int top = RowOfUnits(t.y);
    const int bottom = RowOfUnits(t.y + t.cy);
    const int left = ColumnOfUnits(t.x);
    const int width = WidthOfUnits(t.x, t.cx);
    const int right = left + width - 1;
    screen.Fill(top, left + 1, width - 2, "─", {});
    screen.Fill(bottom, left + 1, width - 2, "─", {});
    screen.Put(top, left, "┌");
    screen.Put(top, right, "┐");
    screen.Put(bottom, left, "└");
    screen.Put(bottom, right, "┘");
    for (int row = top + 1; row < bottom; ++row) {
        screen.Put(row, left, "│");
        screen.Put(row, right, "│");
    }
    const std::string caption = " " + w.text + " ";
    screen.Put(top, left + 2, FitToWidth(caption, width - 4));
}

void TerminalDialogView::DrawControl(TerminalScreen& screen, const ControlWindow& w, bool focused) const {
    const ItemTemplate& t = *w.source;
    const int row = RowOfUnits(t.y);
    const int column = ColumnOfUnits(t.x);
    const int width = WidthOfUnits(t.x, t.cx);
    switch (w.kind) {
        case ControlKind::Static:
            if ((w.style & kStyleSunken) != 0) {
                screen.Fill(row, column, width, " ", FieldStyle(false));
                screen.Put(row, column + 1, FitToWidth(w.text, width - 1), FieldStyle(false));
            } else {
                screen.Put(row, column, w.text);
            }
            return;
        case ControlKind::UpDown:
            screen.Put(row, column, "▲▼", FocusStyle(focused));
            return;
        case ControlKind::CheckBox:
            screen.Put(row, column, (w.checked ? "[x] " : "[ ] ") + w.text, FocusStyle(focused));
            return;
        case ControlKind::RadioButton:
            screen.Put(row, column, (w.checked ? "(*) " : "( ) ") + w.text, FocusStyle(focused));
            return;
        case ControlKind::PushButton: {
            const std::string label = "[ " + w.text + " ]";
            const int start = column + std::max(0, (width - DisplayWidth(label)) / 2);
            CellStyle style = FocusStyle(focused);
            style.bold = (w.style & kStyleDefaultButton) != 0;
            screen.Put(row, start, label, style);
            return;
        }
        case ControlKind::ComboBox: {
            const int cells = width - 1;
            if ((w.style & kStyleOwnerDrawFixed) != 0) {
                DrawOwnerDrawnField(screen, w, row, column, cells, focused);
            } else {
                screen.Fill(row, column, cells, " ", FieldStyle(focused));
                const bool chosen = w.selection >= 0 && w.selection < static_cast<int>(w.items.size());
                if (chosen)
                    screen.Put(row, column, FitToWidth(w.items[static_cast<size_t>(w.selection)], cells),
                               FieldStyle(focused));
            }
            screen.Put(row, column + cells, "▼", FieldStyle(false));
            return;
        }
        case ControlKind::GroupBox:
            return;
    }
}

// The selection field of an owner-drawn list: the owner draws the item, and its fills and framed
// rectangles become cells. A framed rectangle inside the item keeps one cell of the item's
// background on each side, where its frame is shown as thin bars.
void TerminalDialogView::DrawOwnerDrawnField(TerminalScreen& screen, const ControlWindow& w, int row,
                                             int column, int cells, bool focused) const {
    if (cells <= 0 || !screen.Inside(row, column) || !screen.Inside(row, column + cells - 1)) return;
    const int width = std::max(w.rect.Width() - kDropDownButtonPixels, cells);
    Surface item(width, kOwnerDrawItemHeight, GetSysColor(SysColor::Window));
    const uint32_t state = kItemStateComboBoxEdit | (focused ? kItemStateSelected | kItemStateFocus : 0);
    dialog_.SendDrawItem(w.id, w.selection, state, item, {0, 0, width, kOwnerDrawItemHeight});

    screen.Fill(row, column, cells, " ", FieldStyle(false));
    const auto cellOf = [&](int x) { return std::clamp((x * cells + width / 2) / width, 0, cells); };
    for (const DrawOp& op : item.Ops()) {
        if (op.kind == DrawOp::Kind::FillRect) {
            CellStyle style;
            style.background = op.color;
            const int from = cellOf(op.rect.left);
            screen.Fill(row, column + from, cellOf(op.rect.right) - from, " ", style);
        } else if (op.kind == DrawOp::Kind::Rectangle) {
            const int from = std::max(1, cellOf(op.rect.left));
            const int to = std::min(cells - 1, cellOf(op.rect.right));
            if (to <= from) continue;
            CellStyle inside;
            inside.background = op.fill;
            screen.Fill(row, column + from, to - from, " ", inside);
            CellStyle frame = screen.At(row, column + from - 1).style;
            frame.foreground = op.color;
            screen.Put(row, column + from - 1, "▕", frame);
            frame.background = screen.At(row, column + to).style.background;
            screen.Put(row, column + to, "▏", frame);
        }
    }
}

// What the dialog paints itself: horizontal and vertical lines become rules on blank cells, one
// blank cell clear of any text; the first line to reach a cell sets its colour.
void TerminalDialogView::DrawPainting(TerminalScreen& screen) const {
    const Rect client = dialog_.ClientRect();
    Surface surface(client.Width(), client.Height(), GetSysColor(SysColor::ButtonFace));
    dialog_.SendPaint(surface);
    const auto isText = [&](int row, int column) {
        if (!screen.Inside(row, column)) return false;
        const Cell& cell = screen.At(row, column);
        return !IsBlank(cell) && cell.glyph != kRule;
    };
    for (const DrawOp& op : surface.Ops()) {
        if (op.kind != DrawOp::Kind::Line) continue;
        CellStyle style;
        style.foreground = op.color;
        if (op.rect.top == op.rect.bottom) {
            const int row = RowOfPixels(op.rect.top);
            const int from = ColumnOfPixels(std::min(op.rect.left, op.rect.right));
            const int to = ColumnOfPixels(std::max(op.rect.left, op.rect.right));
            for (int c = from; c < to; ++c)
                if (screen.Inside(row, c) && IsBlank(screen.At(row, c)) && !isText(row, c - 1) &&
                    !isText(row, c + 1))
                    screen.Put(row, c, kRule, style);
        } else if (op.rect.left == op.rect.right) {
            const int column = ColumnOfPixels(op.rect.left);
            for (int r = RowOfPixels(std::min(op.rect.top, op.rect.bottom));
                 r <= RowOfPixels(std::max(op.rect.top, op.rect.bottom) - 1); ++r)
                if (screen.Inside(r, column) && IsBlank(screen.At(r, column)))
                    screen.Put(r, column, "│", style);
        }
    }
}

void TerminalDialogView::DrawFrame(TerminalScreen& screen) const {
    const int last = screen.Columns() - 1;
    const int bottom = screen.Rows() - 1;
    screen.Fill(0, 1, last - 1, "═", {});
    screen.Fill(bottom, 1, last - 1, "═", {});
    screen.Put(0, 0, "╔");
    screen.Put(0, last, "╗");
    screen.Put(bottom, 0, "╚");
    screen.Put(bottom, last, "╝");
    for (int row = 1; row < bottom; ++row) {
        screen.Put(row, 0, "║");
        screen.Put(row, last, "║");
    }
    const DialogTemplate* t = dialog_.Template();
    if (t == nullptr) return;
    const std::string caption = std::string(" ") + t->caption + " ";
    const std::string_view shown = FitToWidth(caption, last - 1);
    CellStyle bold;
    bold.bold = true;
    screen.Put(0, std::max(1, (screen.Columns() - DisplayWidth(shown)) / 2), shown, bold);
}

// ---- The modal loop --------------------------------------------------------------------------

std::string TerminalFrame(const TerminalDialogView& view, TerminalSize size, bool clear) {
    const TerminalScreen screen = view.Draw();
    const int top = std::max(0, (size.rows - screen.Rows()) / 2);
    const int left = std::max(0, (size.columns - screen.Columns()) / 2);
    std::string out = clear ? "\x1b[0m\x1b[2J" : "";
    out += screen.Paint(top, left, size.rows, size.columns);
    return out;
}

int RunDialogInTerminal(Dialog& dialog, Language language) {
    const std::unique_ptr<TerminalDevice> terminal = TerminalDevice::Open();
    if (terminal == nullptr) return -1;
    if (!dialog.Create(language)) return -1;
    if (!terminal->Enter()) {
        dialog.DestroyWindow();
        return -1;
    }
    TerminalDialogView view(dialog);
    TerminalSize size = terminal->Size();
    terminal->Write(TerminalFrame(view, size, true));
    while (!dialog.IsEnded()) {
        const Key key = terminal->ReadKey(kResizePollMs);
        const TerminalSize now = terminal->Size();
        const bool clear = !(now == size) || key == Key::Redraw;
        size = now;
        view.HandleKey(key);
        if (dialog.IsEnded()) break;
        if (key != Key::None || clear) terminal->Write(TerminalFrame(view, size, clear));
    }
    terminal->Leave();
    const int result = dialog.ModalResult();
    dialog.DestroyWindow();
    return result;
}

}  // namespace hdmi::platform
