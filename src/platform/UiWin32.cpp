// The Win32 presentation of our dialogs: the window comes from the module's dialog resource (the
// resource loader picks its language), and the dialog object keeps the logic. Each message first
// brings the object's controls up to what the user did in the real ones, then lets the object
// handle it, then shows the object's controls in the real ones again. What the object paints on a
// surface is replayed with GDI on the real device context, icons coming from the bitmap resource.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
//
#include <commctrl.h>

#include <map>
#include <string>

#include "platform/UiDialog.h"
#include "platform/UiModal.h"

namespace hdmi::platform {
namespace {

HMODULE ThisModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

LANGID LanguageId(Language language) {
    switch (language) {
        case Language::TraditionalChinese:
            return MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);
        case Language::SimplifiedChinese:
            return MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
        case Language::English:
            break;
    }
    return MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

// The language of the template that the resource loader hands out for this id: the resource it
// finds is the one of exactly one of our languages.
Language LoaderLanguage(HMODULE module, int templateId) {
    const HRSRC chosen =
        ::FindResourceW(module, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    for (Language language : {Language::TraditionalChinese, Language::SimplifiedChinese}) {
        const HRSRC candidate = ::FindResourceExW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(templateId),
                                                  LanguageId(language));
        if (chosen != nullptr && candidate == chosen) return language;
    }
    return Language::English;
}

struct Session {
    Dialog& dialog;
    Language language;
    HMODULE module;
    HWND window = nullptr;
    std::map<const BitmapView*, HBITMAP> bitmaps;  // resource bitmaps, loaded on first use
};

// ---- Object and window in step ---------------------------------------------------------------

// What the user changed in the real controls, into the object's controls.
void PullFromWindow(Session& s) {
    for (ControlWindow& w : s.dialog.Controls()) {
        const HWND control = ::GetDlgItem(s.window, w.id);
        if (w.id == kIdStatic || control == nullptr) continue;
        switch (w.kind) {
            case ControlKind::CheckBox:
            case ControlKind::RadioButton:
                w.checked = ::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
                break;
            case ControlKind::UpDown:
                w.spinPosition = static_cast<int>(::SendMessageW(control, UDM_GETPOS32, 0, 0));
                break;
            case ControlKind::ComboBox:
                w.selection = static_cast<int>(::SendMessageW(control, CB_GETCURSEL, 0, 0));
                break;
            default:
                break;
        }
    }
}

void ShowList(HWND control, const ControlWindow& w) {
    const bool strings = (w.style & kStyleHasStrings) != 0;
    bool same = ::SendMessageW(control, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(w.items.size());
    for (size_t i = 0; same && i < w.items.size(); ++i) {
        const auto index = static_cast<WPARAM>(i);
        if (strings) {
            wchar_t text[256] = {};
            if (::SendMessageW(control, CB_GETLBTEXTLEN, index, 0) < 256)
                ::SendMessageW(control, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
            same = Wide(w.items[i]) == text;
        } else {
            same = static_cast<uintptr_t>(::SendMessageW(control, CB_GETITEMDATA, index, 0)) == w.itemData[i];
        }
    }
    if (!same) {
        ::SendMessageW(control, CB_RESETCONTENT, 0, 0);
        for (size_t i = 0; i < w.items.size(); ++i) {
            if (strings) {
                const std::wstring text = Wide(w.items[i]);
                ::SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
            } else {
                // Without strings the list keeps the item data in place of a text.
                ::SendMessageW(control, CB_ADDSTRING, 0, static_cast<LPARAM>(w.itemData[i]));
            }
        }
    }
    if (::SendMessageW(control, CB_GETCURSEL, 0, 0) != w.selection)
        ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(w.selection), 0);
}

// The object's controls, into the real ones (only what differs, so nothing flickers). The
// up-down control `movingSpin` keeps its position: it is about to move by itself.
void PushToWindow(Session& s, int movingSpin = kIdStatic) {
    for (const ControlWindow& w : s.dialog.Controls()) {
        const HWND control = ::GetDlgItem(s.window, w.id);
        if (w.id == kIdStatic || control == nullptr) continue;
        switch (w.kind) {
            case ControlKind::Static: {
                const std::wstring text = Wide(w.text);
                if (WindowText(control) != text) ::SetWindowTextW(control, text.c_str());
                break;
            }
            case ControlKind::CheckBox:
            case ControlKind::RadioButton:
                ::SendMessageW(control, BM_SETCHECK, w.checked ? BST_CHECKED : BST_UNCHECKED, 0);
                break;
            case ControlKind::UpDown:
                ::SendMessageW(control, UDM_SETRANGE32, static_cast<WPARAM>(w.spinLower),
                               static_cast<LPARAM>(w.spinUpper));
                if (w.id != movingSpin)
                    ::SendMessageW(control, UDM_SETPOS32, 0, static_cast<LPARAM>(w.spinPosition));
                break;
            case ControlKind::ComboBox:
                ShowList(control, w);
                break;
            default:
                break;
        }
    }
}

// The object paints in the real window's coordinates.
void MeasureControls(Session& s) {
    RECT client;
    ::GetClientRect(s.window, &client);
    s.dialog.SetClientRect({client.left, client.top, client.right, client.bottom});
    for (ControlWindow& w : s.dialog.Controls()) {
        const HWND control = ::GetDlgItem(s.window, w.id);
        if (w.id == kIdStatic || control == nullptr) continue;
        RECT r;
        ::GetWindowRect(control, &r);
        ::MapWindowPoints(nullptr, s.window, reinterpret_cast<POINT*>(&r), 2);
        w.rect = {r.left, r.top, r.right, r.bottom};
    }
}

// ---- Painting --------------------------------------------------------------------------------

HBITMAP BitmapFor(Session& s, const BitmapView* view) {
    if (view == nullptr) return nullptr;
    auto found = s.bitmaps.find(view);
    if (found != s.bitmaps.end()) return found->second;
    HBITMAP bitmap = nullptr;
    for (const BitmapResource& resource : s.dialog.Resources().bitmaps)
        if (&resource.bitmap == view) bitmap = ::LoadBitmapW(s.module, MAKEINTRESOURCEW(resource.id));
    s.bitmaps.emplace(view, bitmap);
    return bitmap;
}

DWORD RasterCode(RasterOp op) {
    switch (op) {
        case RasterOp::Invert:
            return SRCINVERT;
        case RasterOp::And:
            return SRCAND;
        case RasterOp::Copy:
            break;
    }
    return SRCCOPY;
}

// Replays what the object drew on `surface` onto `dc`, moved by (dx, dy).
void Replay(Session& s, const Surface& surface, HDC dc, int dx, int dy) {
    const int savedState = ::SaveDC(dc);
    for (const DrawOp& op : surface.Ops()) {
        RECT r = {op.rect.left + dx, op.rect.top + dy, op.rect.right + dx, op.rect.bottom + dy};
        ::SetBkMode(dc, op.bkMode == BkMode::Transparent ? TRANSPARENT : OPAQUE);
        switch (op.kind) {
            case DrawOp::Kind::FillRect:
                ::SetBkColor(dc, op.color);
                ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
                break;
            case DrawOp::Kind::Rectangle: {
                const HPEN pen = ::CreatePen(PS_SOLID, op.penWidth, op.color);
                const HBRUSH brush = ::CreateSolidBrush(op.fill);
                const HGDIOBJ oldPen = ::SelectObject(dc, pen);
                const HGDIOBJ oldBrush = ::SelectObject(dc, brush);
                ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
                ::SelectObject(dc, oldBrush);
                ::SelectObject(dc, oldPen);
                ::DeleteObject(brush);
                ::DeleteObject(pen);
                break;
            }
            case DrawOp::Kind::Line: {
                const HPEN pen = ::CreatePen(PS_SOLID, op.penWidth, op.color);
                const HGDIOBJ oldPen = ::SelectObject(dc, pen);
                ::MoveToEx(dc, r.left, r.top, nullptr);
                ::LineTo(dc, r.right, r.bottom);
                ::SelectObject(dc, oldPen);
                ::DeleteObject(pen);
                break;
            }
            case DrawOp::Kind::Blit: {
                const HBITMAP bitmap = BitmapFor(s, op.bitmap);
                if (bitmap == nullptr) break;
                const HDC source = ::CreateCompatibleDC(dc);
                const HGDIOBJ old = ::SelectObject(source, bitmap);
                ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, op.source.x,
                         op.source.y, RasterCode(op.rop));
                ::SelectObject(source, old);
                ::DeleteDC(source);
                break;
            }
        }
    }
    ::RestoreDC(dc, savedState);
}

void Paint(Session& s) {
    PAINTSTRUCT ps;
    const HDC dc = ::BeginPaint(s.window, &ps);
    const Rect client = s.dialog.ClientRect();
    Surface surface(client.Width(), client.Height(), GetSysColor(SysColor::ButtonFace));
    s.dialog.SendPaint(surface);
    Replay(s, surface, dc, 0, 0);
    ::EndPaint(s.window, &ps);
}

void DrawItem(Session& s, const DRAWITEMSTRUCT& item) {
    const int width = item.rcItem.right - item.rcItem.left;
    const int height = item.rcItem.bottom - item.rcItem.top;
    Surface surface(width, height, GetSysColor(SysColor::Window));
    const int index = item.itemID == static_cast<UINT>(-1) ? -1 : static_cast<int>(item.itemID);
    // Our item-state bits are the system's.
    s.dialog.SendDrawItem(static_cast<int>(item.CtlID), index, item.itemState, surface,
                          {0, 0, width, height});
    Replay(s, surface, item.hDC, item.rcItem.left, item.rcItem.top);
}

// ---- The dialog procedure --------------------------------------------------------------------

void EndIfEnded(Session& s) {
    if (s.dialog.IsEnded()) ::EndDialog(s.window, s.dialog.ModalResult());
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* s = reinterpret_cast<Session*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        s = reinterpret_cast<Session*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        s->window = window;
        if (!s->dialog.Create(s->language)) {
            ::EndDialog(window, -1);
            return TRUE;
        }
        MeasureControls(*s);
        PushToWindow(*s);
        return TRUE;  // focus to the first control that takes it
    }
    if (s == nullptr || !s->dialog.HasWindow()) return FALSE;

    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            PullFromWindow(*s);
            if (code == BN_CLICKED) {
                s->dialog.SendCommand(id);
                PushToWindow(*s);
                EndIfEnded(*s);
            }
            return TRUE;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code != static_cast<UINT>(UDN_DELTAPOS)) return FALSE;
            const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
            PullFromWindow(*s);
            const int answer = s->dialog.SendDeltaPos(static_cast<int>(header->idFrom), change->iDelta);
            // The real control moves itself once the change is allowed; the object already has.
            PushToWindow(*s, static_cast<int>(header->idFrom));
            ::SetWindowLongPtrW(window, DWLP_MSGRESULT, answer);
            return TRUE;
        }
        case WM_PAINT:
            Paint(*s);
            return TRUE;
        case WM_DRAWITEM:
            DrawItem(*s, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) != SC_CLOSE) return FALSE;  // the frame's own commands
            PullFromWindow(*s);
            s->dialog.SendSysCommand(static_cast<uint32_t>(wParam & 0xFFF0));
            EndIfEnded(*s);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

ColorRef GetSysColor(SysColor which) {
    switch (which) {
        case SysColor::Window:
            return ::GetSysColor(COLOR_WINDOW);
        case SysColor::WindowText:
            return ::GetSysColor(COLOR_WINDOWTEXT);
        case SysColor::Highlight:
            return ::GetSysColor(COLOR_HIGHLIGHT);
        case SysColor::HighlightText:
            return ::GetSysColor(COLOR_HIGHLIGHTTEXT);
        case SysColor::ButtonFace:
            return ::GetSysColor(COLOR_BTNFACE);
        case SysColor::ButtonShadow:
            return ::GetSysColor(COLOR_BTNSHADOW);
        case SysColor::ButtonHighlight:
            return ::GetSysColor(COLOR_BTNHIGHLIGHT);
    }
    return 0;
}

int RunModalDialog(Dialog& dialog) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    Session session{dialog, Language::English, ThisModule(), nullptr, {}};
    session.language = LoaderLanguage(session.module, dialog.TemplateId());
    const INT_PTR result = ::DialogBoxParamW(session.module, MAKEINTRESOURCEW(dialog.TemplateId()), nullptr,
                                             &DialogProc, reinterpret_cast<LPARAM>(&session));
    for (const auto& [view, bitmap] : session.bitmaps)
        if (bitmap != nullptr) ::DeleteObject(bitmap);
    dialog.DestroyWindow();
    return static_cast<int>(result);
}

}  // namespace hdmi::platform
