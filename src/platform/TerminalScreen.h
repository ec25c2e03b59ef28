// A grid of character cells as a terminal shows them, and its conversion to the escape sequences
// that paint it. Text is UTF-8; East Asian wide characters take two cells.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/UiGraphics.h"

namespace hdmi::platform {

// Cells a code point takes: 2 for East Asian wide and full-width characters, else 1.
int CodePointWidth(uint32_t codePoint);
// Cells a UTF-8 text takes. Malformed bytes count one cell each.
int DisplayWidth(std::string_view utf8);
// The longest head of the text that fits in `cells`, cut at a character boundary.
std::string_view FitToWidth(std::string_view utf8, int cells);

inline constexpr int kDefaultColor = -1;

struct CellStyle {
    int64_t foreground = kDefaultColor;  // ColorRef, or kDefaultColor
    int64_t background = kDefaultColor;
    bool reverse = false;
    bool bold = false;
    friend bool operator==(const CellStyle&, const CellStyle&) = default;
};

struct Cell {
    std::string glyph = " ";  // empty: the right half of a wide character
    CellStyle style;
};

class TerminalScreen {
  public:
    TerminalScreen(int rows, int columns);

    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    Cell& At(int row, int column) { return cells_[static_cast<size_t>(row) * columns_ + column]; }
    const Cell& At(int row, int column) const { return cells_[static_cast<size_t>(row) * columns_ + column]; }
    bool Inside(int row, int column) const {
        return row >= 0 && column >= 0 && row < rows_ && column < columns_;
    }

    // Writes text from (row, column), clipped at the right edge; returns the cells used. A wide
    // character that would straddle the edge is left out.
    int Put(int row, int column, std::string_view utf8, const CellStyle& style = {});
    void Fill(int row, int column, int count, std::string_view glyph, const CellStyle& style);
    // Plain text of one row, trailing blanks dropped (for logs and tests).
    std::string RowText(int row) const;

    // Escape sequences that paint the grid at (top, left) of a terminal of the given size; what
    // lies beyond the terminal's edges is left out.
    std::string Paint(int top, int left, int terminalRows, int terminalColumns) const;

  private:
    int rows_;
    int columns_;
    std::vector<Cell> cells_;
};

}  // namespace hdmi::platform
