// Writes the Windows resource script and the bitmap file of a resource module, so that the DLL's
// dialog templates are made from the same data as the dialog the other presentations show. The
// ResourceScript test compares the files in src/ui/ with what this makes (and rewrites them when
// HDMI_UPDATE_GOLDEN=1).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/UiDialog.h"

namespace hdmi::test {

// The window class and style words of one control, as the resource compiler spells them.
inline std::string ControlClassAndStyle(const platform::ItemTemplate& item) {
    using namespace platform;
    std::vector<std::string> styles;
    std::string windowClass;
    const uint32_t s = item.style;
    switch (item.kind) {
        case ControlKind::Static:
            windowClass = "Static";
            styles.push_back("SS_LEFT");
            if (s & kStyleSunken) styles.push_back("SS_SUNKEN");
            if (s & kStyleCenterVertically) styles.push_back("SS_CENTERIMAGE");
            break;
        case ControlKind::GroupBox:
            windowClass = "Button";
            styles.push_back("BS_GROUPBOX");
            break;
        case ControlKind::PushButton:
            windowClass = "Button";
            styles.push_back(s & kStyleDefaultButton ? "BS_DEFPUSHBUTTON" : "BS_PUSHBUTTON");
            break;
        case ControlKind::CheckBox:
            windowClass = "Button";
            styles.push_back(s & kStyleAuto ? "BS_AUTOCHECKBOX" : "BS_CHECKBOX");
            break;
        case ControlKind::RadioButton:
            windowClass = "Button";
            styles.push_back(s & kStyleAuto ? "BS_AUTORADIOBUTTON" : "BS_RADIOBUTTON");
            break;
        case ControlKind::UpDown:
            windowClass = "msctls_updown32";
            if (s & kStyleArrowKeys) styles.push_back("UDS_ARROWKEYS");
            break;
        case ControlKind::ComboBox:
            windowClass = "ComboBox";
            styles.push_back(s & kStyleDropDownList ? "CBS_DROPDOWNLIST" : "CBS_DROPDOWN");
            if (s & kStyleOwnerDrawFixed) styles.push_back("CBS_OWNERDRAWFIXED");
            if (s & kStyleHasStrings) styles.push_back("CBS_HASSTRINGS");
            styles.push_back("WS_VSCROLL");
            break;
    }
    if (s & kStyleTabStop) styles.push_back("WS_TABSTOP");
    if (s & kStyleGroup) styles.push_back("WS_GROUP");
    if (s & kStyleHidden) styles.push_back("NOT WS_VISIBLE");
    std::string line = "\"" + windowClass + "\", ";
    for (size_t i = 0; i < styles.size(); ++i) line += (i == 0 ? "" : " | ") + styles[i];
    return line;
}

inline const char* LanguageStatement(platform::Language language) {
    switch (language) {
        case platform::Language::TraditionalChinese:
            return "LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL";
        case platform::Language::SimplifiedChinese:
            return "LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED";
        case platform::Language::English:
            break;
    }
    return "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US";
}

// Captions are UTF-8; the script says so, and quotes are doubled as the resource compiler wants.
inline std::string Quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text; *p != '\0'; ++p) out += *p == '"' ? std::string("\"\"") : std::string(1, *p);
    return out + "\"";
}

inline std::string DialogStyle(uint32_t style) {
    using namespace platform;
    std::string out = "WS_POPUP";
    if (style & kDialogModalFrame) out += " | DS_MODALFRAME";
    if (style & kDialogCentered) out += " | DS_CENTER";
    if (style & kDialogCaption) out += " | WS_CAPTION";
    if (style & kDialogSystemMenu) out += " | WS_SYSMENU";
    return out;
}

// `bitmapFiles` names the file of each bitmap resource, in the module's order.
inline std::string ResourceScript(const platform::ResourceModule& module,
                                  const std::vector<std::string>& bitmapFiles) {
    std::string rc;
    rc += "// Dialog templates and bitmaps of the settings dialog for the Windows resource compiler.\n";
    rc += "// Made from src/ui/DialogResources.cpp by the ResourceScript test (HDMI_UPDATE_GOLDEN=1\n";
    rc += "// rewrites it); the test fails when the two differ.\n";
    rc += "#pragma code_page(65001)\n#include <windows.h>\n#include <commctrl.h>\n";
    for (const platform::DialogTemplate& d : module.dialogs) {
        rc += "\n";
        rc += LanguageStatement(d.language);
        rc += "\n" + std::to_string(d.id) + " DIALOGEX 0, 0, " + std::to_string(d.cx) + ", " +
              std::to_string(d.cy);
        rc += "\nSTYLE " + DialogStyle(d.style);
        rc += "\nCAPTION " + Quoted(d.caption);
        rc += "\nFONT " + std::to_string(d.fontPoints) + ", " + Quoted(d.fontName) + ", 0, 0, 0x1\nBEGIN\n";
        for (const platform::ItemTemplate& item : d.items) {
            rc += "    CONTROL " + Quoted(item.caption) + ", " + std::to_string(item.id) + ", " +
                  ControlClassAndStyle(item) + ", " + std::to_string(item.x) + ", " + std::to_string(item.y) +
                  ", " + std::to_string(item.cx) + ", " + std::to_string(item.cy) + "\n";
        }
        rc += "END\n";
    }
    rc += "\nLANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL\n";
    for (size_t i = 0; i < module.bitmaps.size() && i < bitmapFiles.size(); ++i)
        rc += std::to_string(module.bitmaps[i].id) + " BITMAP " + Quoted(bitmapFiles[i].c_str()) + "\n";
    return rc;
}

// A bottom-up 24-bit BMP file of the bitmap.
inline std::vector<uint8_t> BitmapFile(const platform::BitmapView& bitmap) {
    const uint32_t rowBytes = (static_cast<uint32_t>(bitmap.width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(bitmap.height);
    std::vector<uint8_t> out;
    auto u16 = [&](uint32_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    u32(14 + 40 + imageBytes);
    u32(0);
    u32(14 + 40);
    u32(40);
    u32(static_cast<uint32_t>(bitmap.width));
    u32(static_cast<uint32_t>(bitmap.height));
    u16(1);
    u16(24);
    u32(0);  // no compression
    u32(imageBytes);
    u32(2835);  // 72 dpi
    u32(2835);
    u32(0);
    u32(0);
    for (int y = bitmap.height - 1; y >= 0; --y) {
        const size_t rowStart = out.size();
        for (int x = 0; x < bitmap.width; ++x) {
            const platform::ColorRef c = bitmap.Pixel(x, y);
            out.push_back(static_cast<uint8_t>(platform::BlueOf(c)));
            out.push_back(static_cast<uint8_t>(platform::GreenOf(c)));
            out.push_back(static_cast<uint8_t>(platform::RedOf(c)));
        }
        while (out.size() - rowStart < rowBytes) out.push_back(0);
    }
    return out;
}

}  // namespace hdmi::test
