// Drives the settings dialog of the loaded plug-in as a user would, through window messages:
// ConfigDialog runs on a thread of its own (the dialog is modal there), the test thread finds the
// dialog window and sends it clicks and keys, and takes pictures of it.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
//
#include <commctrl.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "Session.h"

namespace hdmi::test {

inline constexpr wchar_t kDialogCaption[] = L"DDC(EDID) Setting";

// A picture of part of the screen, 0x00BBGGRR per pixel, row 0 at the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The screen inside `rect` (screen coordinates), as the user sees it.
inline Picture CaptureScreen(const RECT& rect) {
    Picture picture;
    picture.width = rect.right - rect.left;
    picture.height = rect.bottom - rect.top;
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, picture.width, picture.height, screen, rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    const auto* bgra = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] =
            uint32_t(bgra[4 * i + 2]) | uint32_t(bgra[4 * i + 1]) << 8 | uint32_t(bgra[4 * i]) << 16;
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return picture;
}

// An RGB PNG file of the picture.
inline bool WritePng(const Picture& picture, const std::string& path) {
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(picture.width * 3 + 1) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t c = picture.At(x, y);
            raw.push_back(uint8_t(c));
            raw.push_back(uint8_t(c >> 8));
            raw.push_back(uint8_t(c >> 16));
        }
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 9) != Z_OK) return false;
    packed.resize(packedSize);

    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        out.write(b, 4);
    };
    auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
        u32(uint32_t(data.size()));
        out.write(type, 4);
        out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
        if (!data.empty()) crc = crc32(crc, data.data(), uInt(data.size()));  // zlib: a null buffer restarts
        u32(uint32_t(crc));
    };
    out.write("\x89PNG\r\n\x1a\n", 8);
    std::vector<uint8_t> header = {0, 0, 0, 0, 0, 0, 0, 0, 8, 2, 0, 0, 0};  // 8-bit RGB
    for (int i = 0; i < 4; ++i) {
        header[i] = uint8_t(uint32_t(picture.width) >> (24 - 8 * i));
        header[4 + i] = uint8_t(uint32_t(picture.height) >> (24 - 8 * i));
    }
    chunk("IHDR", header);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return bool(out);
}

// ConfigDialog of `session`, running until the dialog closes.
class OpenDialog {
  public:
    explicit OpenDialog(host::Session& session) : thread_([&session] { session.ConfigDialog(); }) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        // The window exists before its initialisation has run; the dialog is shown (made visible)
        // by its modal loop once it is ready for the user.
        HWND found = nullptr;
        while (std::chrono::steady_clock::now() < deadline) {
            found = ::FindWindowW(L"#32770", kDialogCaption);
            if (found != nullptr && ::IsWindowVisible(found)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (found != nullptr && ::IsWindowVisible(found)) {
            DWORD_PTR ignored = 0;
            ::SendMessageTimeoutW(found, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
            window_ = found;
        }
    }
    ~OpenDialog() {
        if (thread_.joinable()) {
            if (Closed() == false) ::PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
            thread_.join();
        }
    }
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;

    HWND Window() const { return window_; }
    HWND Control(int id) const { return ::GetDlgItem(window_, id); }

    // Waits for ConfigDialog to return; false when the dialog is still open after a while.
    bool WaitClosed() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!Closed() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!Closed()) return false;
        thread_.join();
        return true;
    }
    bool Closed() const { return window_ == nullptr || !::IsWindow(window_); }

    // ---- What a user does --------------------------------------------------------------------
    void Click(int id) { ::SendMessageW(Control(id), BM_CLICK, 0, 0); }
    // A click on the upper (up = true) or lower arrow of an up-down control.
    void ClickSpin(int id, bool up) {
        const HWND spin = Control(id);
        RECT r;
        ::GetClientRect(spin, &r);
        const LPARAM at =
            MAKELPARAM((r.right - r.left) / 2, up ? (r.bottom - r.top) / 4 : 3 * (r.bottom - r.top) / 4);
        ::SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageW(spin, WM_LBUTTONUP, 0, at);
    }
    // The down-arrow key on a closed drop-down list: the next item.
    void KeyDown(int id) {
        ::SendMessageW(Control(id), WM_KEYDOWN, VK_DOWN, 0);
        ::SendMessageW(Control(id), WM_KEYUP, VK_DOWN, 0);
    }
    void CloseBox() { ::SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0); }

    // ---- What the user sees ------------------------------------------------------------------
    std::string Text(int id) const {
        char text[128] = {};
        ::GetWindowTextA(Control(id), text, sizeof text);
        return text;
    }
    bool Checked(int id) const { return ::SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    int Selection(int id) const { return int(::SendMessageW(Control(id), CB_GETCURSEL, 0, 0)); }
    int SpinPosition(int id) const { return int(::SendMessageW(Control(id), UDM_GETPOS32, 0, 0)); }
    // A control's rectangle in screen coordinates.
    RECT ScreenRect(int id) const {
        RECT r;
        ::GetWindowRect(Control(id), &r);
        return r;
    }
    // The whole dialog, drawn and settled.
    Picture Snapshot() const {
        ::RedrawWindow(window_, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        RECT r;
        ::GetWindowRect(window_, &r);
        return CaptureScreen(r);
    }

  private:
    HWND window_ = nullptr;
    std::thread thread_;
};

}  // namespace hdmi::test
