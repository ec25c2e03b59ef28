// Printing what the plug-in produced: the report as an aligned table, CSV or JSON, and the
// packet list with DataConv's labels and colours.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Session.h"

namespace hdmi::cli {

enum class OutputFormat { Table, Csv, Json, Raw };

// Sample positions as times, in one unit for a whole listing with as many decimals as one
// sample needs (a 1 MHz capture 13 ms long: "12.345" in ms).
class TimeFormat {
  public:
    TimeFormat(int64_t sampleRate, int64_t sampleCount);
    std::string Unit() const { return unit_; }
    std::string Format(int64_t sample) const;
    // Seconds, for CSV and JSON: enough decimals for one sample.
    std::string Seconds(int64_t sample) const;

  private:
    int64_t rate_;
    int64_t unitPerSecond_;  // 1, 1000, 10^6, 10^9
    int decimals_;
    int secondDecimals_;
    std::string unit_;
};

// 0x00BBGGRR as "#RRGGBB".
std::string HexColour(uint32_t bgr);

struct ColourPair {
    uint32_t text = 0;  // 0x00BBGGRR
    uint32_t fill = 0;
};

struct Row {
    int64_t sample = 0;
    std::vector<std::string> cells;
    std::vector<std::optional<ColourPair>> colours;  // per cell; none = terminal default
};

// What is printed: titles and rows, produced one at a time from where they already are (the
// report section, the packet views), so that a long report is never copied.
class Listing {
  public:
    virtual ~Listing() = default;
    virtual size_t RowCount() const = 0;
    // Fills `row`, reusing its buffers.
    virtual void GetRow(size_t index, Row& row) const = 0;

    std::vector<std::string> titles;         // after the two clock columns
    std::optional<ColourPair> clockColours;  // colours of the two clock columns
    std::vector<ColourPair> pairs;           // the colour pairs the report's header declares
};

// The report text as the plug-in wrote it: the header line, then one line per row.
class ReportListing final : public Listing {
  public:
    // Throws InputError when the header does not parse. `text` must outlive the listing.
    explicit ReportListing(std::string_view text);
    size_t RowCount() const override { return lines_.size() - 1; }
    // Throws InputError for a row line that does not parse.
    void GetRow(size_t index, Row& row) const override;

  private:
    std::vector<std::string_view> lines_;  // without CR LF; [0] is the header
};

// Writes `listing`; returns false when the output failed (a closed pipe) or an interrupt
// stopped it.
bool PrintTable(FILE* out, const Listing& listing, const TimeFormat& time, bool colour);
bool PrintCsv(FILE* out, const Listing& listing, const TimeFormat& time);

// JSON: `meta` is the object's leading members, already rendered ("\"file\": \"x.sr\", ...").
bool PrintJson(FILE* out, const std::string& meta, const char* rowsName, const Listing& listing,
               const TimeFormat& time);

std::string JsonString(std::string_view text);

}  // namespace hdmi::cli
