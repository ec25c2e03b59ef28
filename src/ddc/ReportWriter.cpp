#include "ddc/ReportWriter.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace hdmi {
namespace {

// How a byte of a cell is written: as it is, after a backslash, or as '.'.
enum CellByte : uint8_t { kCopy, kBackslashed, kDotted };

constexpr auto kCellBytes = [] {
    struct Table {
        CellByte of[256];
    } table{};
    for (int b = 0; b < 256; ++b) table.of[b] = (b < 0x20 || b > 0x7F) ? kDotted : kCopy;
    table.of[static_cast<uint8_t>('"')] = kBackslashed;
    table.of[static_cast<uint8_t>('\\')] = kBackslashed;
    return table;
}();

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Colour number n of the header's colour list as one character: '0'..'9', then 'A' onwards.
constexpr char ColourDigit(int n) {
    return static_cast<char>(n < 10 ? '0' + n : 'A' + (n - 10));
}

char* AppendText(char* out, const char* text, size_t length) {
    std::memcpy(out, text, length);
    return out + length;
}

char* AppendHex6(char* out, uint32_t colour) {
    for (int shift = 20; shift >= 0; shift -= 4) *out++ = kHexDigits[(colour >> shift) & 0xF];
    return out;
}

char* AppendQuotedCell(char* out, const char* cell, int length, bool plain) {
    *out++ = '"';
    if (length == 0) *out++ = ' ';
    if (plain) {
        std::memcpy(out, cell, static_cast<size_t>(length));
        out += length;
        length = 0;
    }
    for (int k = 0; k < length; ++k) {
        const uint8_t b = static_cast<uint8_t>(cell[k]);
        switch (kCellBytes.of[b]) {
            case kCopy:
                *out++ = static_cast<char>(b);
                break;
            case kBackslashed:
                *out++ = '\\';
                *out++ = static_cast<char>(b);
                break;
            case kDotted:
                *out++ = '.';
                break;
        }
    }
    *out++ = '"';
    return out;
}

int QuotedCellLength(const char* cell, int length) {
    int extra = length == 0 ? 1 : 0;
    for (int k = 0; k < length; ++k) extra += kCellBytes.of[static_cast<uint8_t>(cell[k])] == kBackslashed;
    return length + extra + 2;
}

constexpr int kClockDigits = 20;  // "-9223372036854775808"

}  // namespace

CReportWriter::~CReportWriter() = default;

bool CReportWriter::Open(HostDecodeContext& context, int64_t entryCount) {
    host_ = &context;
    callbackMode_ = context.ReportLineSink != nullptr;
    // Far beyond any capture, and small enough that the sizes below cannot overflow.
    const uint64_t n = static_cast<uint64_t>(std::clamp<int64_t>(entryCount, 0, int64_t{1} << 40));
    if (callbackMode_) {
        if (!lineBuffer_) lineBuffer_ = std::make_unique<char[]>(kMaxLineLength + 1);
    } else {
        char name[sizeof context.ReportName + 1] = {};
        std::memcpy(name, context.ReportName, strnlen(context.ReportName, sizeof context.ReportName));
        if ((!section_.Create(name, (n + 2) * 256) && !section_.Create(name, (n + 8) * 64)) ||
            !section_.Reserve(1)) {
            section_.Close();
            open_ = false;
            return false;
        }
        section_.View()[0] = '\0';
    }
    writeOffset_ = 0;
    lostLines_ = 0;
    headerPending_ = false;
    rowDirty_ = false;
    ClearCells();
    open_ = true;
    return true;
}

void CReportWriter::ClearCells() {
    for (int c = 0; c < columnCount_; ++c) {
        cells_[c][0] = '\0';
        cellLength_[c] = 0;
        cellPlain_[c] = true;
    }
}

void CReportWriter::SetColumnTitle(int column, const char* title) {
    if (column < 0 || column >= kMaxColumns || title == nullptr) return;
    headerPending_ = true;
    columnCount_ = std::max(columnCount_, column + 1);
    const size_t length = strnlen(title, kCellSize - 1);
    std::memcpy(cells_[column], title, length);
    cells_[column][length] = '\0';
    cellLength_[column] = static_cast<int>(length);
}

void CReportWriter::SetColourPair(int pair, uint32_t text, uint32_t fill) {
    if (pair < 0 || pair >= kMaxColourPairs) return;
    headerPending_ = true;
    colourPairCount_ = std::max(colourPairCount_, pair + 1);
    pairText_[pair] = text;
    pairFill_[pair] = fill;
}

void CReportWriter::SetCell(int column, const char* text) {
    if (text == nullptr || column < 0 || column >= columnCount_) return;
    rowDirty_ = true;
    // Copied forward byte by byte, so a caller may hand back the cell's own text; whether the
    // text needs escaping is noted on the way, so that most cells are written with one copy.
    char* cell = cells_[column];
    int length = 0;
    bool plain = true;
    for (; length < kCellSize - 1 && text[length] != '\0'; ++length) {
        cell[length] = text[length];
        plain = plain && kCellBytes.of[static_cast<uint8_t>(text[length])] == kCopy;
    }
    cell[length] = '\0';
    cellLength_[column] = length;
    cellPlain_[column] = plain;
}

void CReportWriter::SetRowClock(int64_t position) {
    rowDirty_ = true;
    rowClock_ = position;
}

void CReportWriter::SetColumnColour(int column, int pair) {
    if (column < 0 || column >= kMaxColumns || pair < 0 || pair >= colourPairCount_) return;
    columnColour_[column] = static_cast<uint32_t>(pair);
}

int64_t CReportWriter::HeaderLength() const {
    int64_t length = 14 + 12 * colourPairCount_ + 8 + 2;
    for (int c = 0; c < columnCount_; ++c) length += cellLength_[c] + (c > 0 ? 1 : 0);
    return length;
}

int64_t CReportWriter::BuildHeader(char* out) const {
    char* p = AppendText(out, "||000000FFFFFF", 14);
    for (int k = 0; k < colourPairCount_; ++k) p = AppendHex6(AppendHex6(p, pairText_[k]), pairFill_[k]);
    p = AppendText(p, "||Clock,", 8);
    for (int c = 0; c < columnCount_; ++c) {
        if (c > 0) *p++ = ',';
        p = AppendText(p, cells_[c], static_cast<size_t>(cellLength_[c]));
    }
    *p++ = '\r';
    *p++ = '\n';
    return p - out;
}

int64_t CReportWriter::RowLengthBound() const {
    int64_t length = 4 + 2 * columnCount_ + 2 + kClockDigits + 1 + 2;
    for (int c = 0; c < columnCount_; ++c) length += 2 * std::max(cellLength_[c], 1) + 3;
    return length;
}

int64_t CReportWriter::RowLength() const {
    char clock[kClockDigits];
    int64_t length =
        4 + 2 * columnCount_ + 2 + (std::to_chars(clock, clock + sizeof clock, rowClock_).ptr - clock);
    length += 2;  // the "," after the clock, and the LF after the last "," turned CR
    for (int c = 0; c < columnCount_; ++c) length += QuotedCellLength(cells_[c], cellLength_[c]) + 1;
    return length;
}

int64_t CReportWriter::BuildRow(char* out) const {
    char* p = AppendText(out, "|@01", 4);
    for (int c = 0; c < columnCount_; ++c) {
        const int first = 2 * static_cast<int>(columnColour_[c]) + 2;
        *p++ = ColourDigit(first);
        *p++ = ColourDigit(first + 1);
    }
    p = AppendText(p, "|@", 2);
    p = std::to_chars(p, p + kClockDigits, rowClock_).ptr;
    *p++ = ',';
    for (int c = 0; c < columnCount_; ++c) {
        p = AppendQuotedCell(p, cells_[c], cellLength_[c], cellPlain_[c]);
        *p++ = ',';
    }
    p[-1] = '\r';  // the last "," (or the one after the clock when there are no columns)
    *p++ = '\n';
    return p - out;
}

bool CReportWriter::Fits(int64_t length) const {
    return static_cast<uint64_t>(writeOffset_ + length + 1) <= section_.Size();
}

void CReportWriter::EmitLine(bool header) {
    if (callbackMode_) {
        const int64_t length = header ? BuildHeader(lineBuffer_.get()) : BuildRow(lineBuffer_.get());
        lineBuffer_[length] = '\0';
        host_->ReportLineSink(lineBuffer_.get(), static_cast<uint32_t>(length));
        return;
    }
    // The cheap bound settles almost every line; the exact length is counted only near the end of
    // the section, which then grows (at least doubling, text and name kept) rather than lose it.
    const int64_t bound = header ? HeaderLength() : RowLengthBound();
    if (!Fits(bound)) {
        const int64_t exact = header ? bound : RowLength();
        const uint64_t needed = static_cast<uint64_t>(writeOffset_ + exact + 1);
        if (!Fits(exact) && !section_.Grow(std::max(section_.Size() * 2, needed))) {
            ++lostLines_;
            return;
        }
    }
    // Memory behind every byte about to be written: a line that cannot have it is lost, as one
    // that finds no room is, instead of faulting in the host's process.
    if (!section_.Reserve(static_cast<uint64_t>(writeOffset_ + bound + 1)) &&
        !section_.Reserve(static_cast<uint64_t>(writeOffset_ + (header ? bound : RowLength()) + 1))) {
        ++lostLines_;
        return;
    }
    char* view = section_.View();
    writeOffset_ += header ? BuildHeader(view + writeOffset_) : BuildRow(view + writeOffset_);
    view[writeOffset_] = '\0';
}

void CReportWriter::WriteHeader() {
    if (!headerPending_ || !open_) return;
    EmitLine(true);
    headerPending_ = false;
    ClearCells();  // they held the titles
}

void CReportWriter::CommitRow() {
    if (!rowDirty_) return;
    if (headerPending_) WriteHeader();
    if (open_) EmitLine(false);
    ClearCells();
    rowDirty_ = false;
}

platform::SharedSection CReportWriter::Finish() {
    if (rowDirty_) CommitRow();
    if (!open_) return {};
    open_ = false;
    if (callbackMode_) {
        host_->ReportLineSink(nullptr, 0);
        return {};
    }
    section_.Unmap();
    return std::move(section_);
}

}  // namespace hdmi
