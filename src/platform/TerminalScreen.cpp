#include "platform/TerminalScreen.h"

#include <algorithm>
#include <cstdio>

namespace hdmi::platform {
namespace {

// Decodes one UTF-8 sequence at text[i]; advances i. Malformed input yields U+FFFD, one byte.
uint32_t NextCodePoint(std::string_view text, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(i);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || i + length > text.size()) {
        ++i;
        return 0xFFFD;
    }
    uint32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    i += static_cast<size_t>(length);
    return cp;
}

void AppendColor(std::string& out, int selector, int64_t color) {
    char buffer[32];
    if (color == kDefaultColor) {
        std::snprintf(buffer, sizeof buffer, "\x1b[%dm", selector == 38 ? 39 : 49);
    } else {
        const auto c = static_cast<ColorRef>(color);
        std::snprintf(buffer, sizeof buffer, "\x1b[%d;2;%u;%u;%um", selector, RedOf(c), GreenOf(c),
                      BlueOf(c));
    }
    out += buffer;
}

void AppendStyle(std::string& out, const CellStyle& style) {
    out += "\x1b[0";
    if (style.bold) out += ";1";
    if (style.reverse) out += ";7";
    out += "m";
    if (style.foreground != kDefaultColor) AppendColor(out, 38, style.foreground);
    if (style.background != kDefaultColor) AppendColor(out, 48, style.background);
}

}  // namespace

int CodePointWidth(uint32_t cp) {
    const bool wide =
        (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E) || (cp >= 0x3041 && cp <= 0x33FF) ||
        (cp >= 0x3400 && cp <= 0x4DBF) || (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xA000 && cp <= 0xA4CF) ||
        (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
        (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
    return wide ? 2 : 1;
}

int DisplayWidth(std::string_view utf8) {
    int width = 0;
    for (size_t i = 0; i < utf8.size();) width += CodePointWidth(NextCodePoint(utf8, i));
    return width;
}

std::string_view FitToWidth(std::string_view utf8, int cells) {
    int width = 0;
    size_t i = 0;
    while (i < utf8.size()) {
        size_t next = i;
        const int w = CodePointWidth(NextCodePoint(utf8, next));
        if (width + w > cells) break;
        width += w;
        i = next;
    }
    return utf8.substr(0, i);
}

TerminalScreen::TerminalScreen(int rows, int columns)
    : rows_(rows > 0 ? rows : 0),
      columns_(columns > 0 ? columns : 0),
      cells_(static_cast<size_t>(rows_) * columns_) {}

int TerminalScreen::Put(int row, int column, std::string_view utf8, const CellStyle& style) {
    if (row < 0 || row >= rows_) return 0;
    int at = column;
    for (size_t i = 0; i < utf8.size();) {
        const size_t start = i;
        const int w = CodePointWidth(NextCodePoint(utf8, i));
        if (at + w > columns_) break;
        if (at >= 0) {
            // Never leave half of a wide character behind.
            if (At(row, at).glyph.empty() && at > 0) At(row, at - 1).glyph = " ";
            const int after = at + w;
            if (after < columns_ && At(row, after).glyph.empty()) At(row, after).glyph = " ";
            Cell& cell = At(row, at);
            cell.glyph.assign(utf8.substr(start, i - start));
            cell.style = style;
            if (w == 2) {
                At(row, at + 1).glyph.clear();
                At(row, at + 1).style = style;
            }
        }
        at += w;
    }
    return at - column;
}

void TerminalScreen::Fill(int row, int column, int count, std::string_view glyph, const CellStyle& style) {
    const int step = std::max(DisplayWidth(glyph), 1);
    for (int k = 0; k + step <= count; k += step) Put(row, column + k, glyph, style);
}

std::string TerminalScreen::RowText(int row) const {
    std::string text;
    for (int c = 0; c < columns_; ++c) text += At(row, c).glyph;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string TerminalScreen::Paint(int top, int left, int terminalRows, int terminalColumns) const {
    std::string out;
    char move[32];
    const int firstColumn = std::max(0, -left);
    for (int r = std::max(0, -top); r < rows_ && top + r < terminalRows; ++r) {
        std::snprintf(move, sizeof move, "\x1b[%d;%dH", top + r + 1, left + firstColumn + 1);
        out += move;
        out += "\x1b[0m";
        CellStyle current;
        for (int c = firstColumn; c < columns_ && left + c < terminalColumns; ++c) {
            const Cell& cell = At(r, c);
            if (cell.glyph.empty()) {  // covered by the wide character before it
                if (c == firstColumn) out += ' ';
                continue;
            }
            const bool wide = c + 1 < columns_ && At(r, c + 1).glyph.empty();
            const bool cut = wide && left + c + 1 >= terminalColumns;
            if (!(cell.style == current)) {
                AppendStyle(out, cell.style);
                current = cell.style;
            }
            out += cut ? std::string(" ") : cell.glyph;
        }
        out += "\x1b[0m";
    }
    return out;
}

}  // namespace hdmi::platform
