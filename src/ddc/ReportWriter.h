// CReportWriter: builds the report lines, either into a named shared-memory section that the host
// opens by name, or line by line through the host's ReportLineSink.
//
// Text format (ASCII, every line ends with CR LF):
//   header  "||000000FFFFFF" + per colour pair "%06X%06X" (text, fill) + "||Clock," + titles by ","
//   row     "|@01" + per column the colour digits of its pair k (2k+2, 2k+3; 10 and up as 'A'..)
//           + "|@" + clock "%lld" + "," + cells quoted and separated by ","
//   cells   '"' -> '\"', '\' -> '\\', bytes < 0x20 or > 0x7F -> '.', an empty cell -> " "
#pragma once

#include <cstdint>
#include <memory>

#include "platform/SharedSection.h"
#include "plugin/HostRecords.h"

namespace hdmi {

class CReportWriter {
  public:
    static constexpr int kMaxColumns = 48;
    static constexpr int kMaxColourPairs = 48;
    static constexpr int kCellSize = 256;

    CReportWriter() = default;
    CReportWriter(const CReportWriter&) = delete;
    CReportWriter& operator=(const CReportWriter&) = delete;
    ~CReportWriter();

    // Set-up (report driver).
    bool Open(HostDecodeContext& context, int64_t entryCount);
    void SetColumnTitle(int column, const char* title);
    void SetColourPair(int pair, uint32_t text, uint32_t fill);
    void WriteHeader();
    // Commits a dirty row and ends the output; in section mode hands over the section, which
    // stays open so that the host can read it by name.
    platform::SharedSection Finish();

    // Row operations (classifier and interpreters).
    void SetCell(int column, const char* text);
    void SetRowClock(int64_t position);
    void SetColumnColour(int column, int pair);
    void CommitRow();

    int ColumnCount() const { return columnCount_; }
    int ColourPairCount() const { return colourPairCount_; }
    // Lines dropped because the section could not be made larger (0 unless the system refuses).
    int64_t LostLines() const { return lostLines_; }

    // The longest line the writer can produce (a row of kMaxColumns cells of 255 characters
    // that all need escaping, with the longest clock), without its terminating NUL.
    static constexpr int64_t kMaxRowLength =
        4 + 2 * kMaxColumns + 2 + 20 + 1 + kMaxColumns * (2 * (kCellSize - 1) + 3) + 1;
    static constexpr int64_t kMaxHeaderLength = 14 + 12 * kMaxColourPairs + 8 + kMaxColumns * kCellSize + 2;
    static constexpr int64_t kMaxLineLength =
        kMaxRowLength > kMaxHeaderLength ? kMaxRowLength : kMaxHeaderLength;

  private:
    int64_t HeaderLength() const;
    int64_t RowLengthBound() const;
    int64_t RowLength() const;
    int64_t BuildHeader(char* out) const;
    int64_t BuildRow(char* out) const;
    // A line of `length` characters and its NUL fit behind the text in the section.
    bool Fits(int64_t length) const;
    void EmitLine(bool header);
    void ClearCells();

    HostDecodeContext* host_ = nullptr;
    bool callbackMode_ = false;
    bool open_ = false;
    platform::SharedSection section_;
    int64_t writeOffset_ = 0;
    int64_t lostLines_ = 0;
    int columnCount_ = 0;
    int colourPairCount_ = 0;
    uint32_t pairText_[kMaxColourPairs] = {};
    uint32_t pairFill_[kMaxColourPairs] = {};
    char cells_[kMaxColumns][kCellSize] = {};
    int cellLength_[kMaxColumns] = {};
    bool cellPlain_[kMaxColumns] = {};  // the cell needs no escaping
    uint32_t columnColour_[kMaxColumns] = {};
    int64_t rowClock_ = 0;
    bool headerPending_ = false;
    bool rowDirty_ = false;
    std::unique_ptr<char[]> lineBuffer_;  // callback mode: always holds the longest line
};

}  // namespace hdmi
