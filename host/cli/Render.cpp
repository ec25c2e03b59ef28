#include "Render.h"

#include <algorithm>

#include "Cli.h"

namespace hdmi::cli {

namespace {

int64_t Pow10(int n) {
    int64_t value = 1;
    while (n-- > 0) value *= 10;
    return value;
}

// Smallest d in [0, max] with 10^d >= ratio (so one step of 10^-d resolves one sample).
int DecimalsFor(int64_t samplesPerUnit, int max) {
    int d = 0;
    while (d < max && Pow10(d) < samplesPerUnit) ++d;
    return d;
}

// value / divisor rounded, as "<int>.<decimals>".
std::string FixedPoint(__int128 numerator, int64_t divisor, int decimals) {
    const __int128 scaled = (numerator * Pow10(decimals) * 2 + divisor) / (2 * __int128(divisor));
    const bool negative = scaled < 0;
    const __int128 magnitude = negative ? -scaled : scaled;
    const int64_t whole = int64_t(magnitude / Pow10(decimals));
    const int64_t fraction = int64_t(magnitude % Pow10(decimals));
    char text[64];
    if (decimals == 0) {
        std::snprintf(text, sizeof text, "%s%lld", negative ? "-" : "", (long long)whole);
    } else {
        std::snprintf(text, sizeof text, "%s%lld.%0*lld", negative ? "-" : "", (long long)whole, decimals,
                      (long long)fraction);
    }
    return text;
}

std::string Escape(uint32_t bgr, bool fill) {
    char text[32];
    std::snprintf(text, sizeof text, "\x1b[%d;2;%u;%u;%um", fill ? 48 : 38, bgr & 0xFF, (bgr >> 8) & 0xFF,
                  (bgr >> 16) & 0xFF);
    return text;
}

std::string CsvField(std::string_view text) {
    const bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

bool Emit(FILE* out, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

}  // namespace

TimeFormat::TimeFormat(int64_t sampleRate, int64_t sampleCount) : rate_(std::max<int64_t>(1, sampleRate)) {
    const __int128 count = std::max<int64_t>(1, sampleCount);
    if (count * 1000 < rate_) {
        unitPerSecond_ = 1'000'000;
        unit_ = "us";
    } else if (count < rate_) {
        unitPerSecond_ = 1'000;
        unit_ = "ms";
    } else {
        unitPerSecond_ = 1;
        unit_ = "s";
    }
    decimals_ = DecimalsFor((rate_ + unitPerSecond_ - 1) / unitPerSecond_, 9);
    secondDecimals_ = DecimalsFor(rate_, 15);
}

std::string TimeFormat::Format(int64_t sample) const {
    return FixedPoint(__int128(sample) * unitPerSecond_, rate_, decimals_);
}

std::string TimeFormat::Seconds(int64_t sample) const {
    return FixedPoint(sample, rate_, secondDecimals_);
}

std::string HexColour(uint32_t bgr) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return text;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
                    out += escaped;
                } else {
                    out += char(c);
                }
        }
    }
    return out + "\"";
}

Listing ReportListing(const host::ReportText& report) {
    const auto header = report.Header();
    if (!header) throw InputError("the plug-in's report has no readable header line");
    Listing listing;
    listing.titles = header->columns;
    listing.clockColours = ColourPair{0x000000, 0xFFFFFF};
    // The header spells colours as the host's 0x00BBGGRR values in hex.
    for (const auto& [text, fill] : header->pairs) listing.pairs.push_back({text, fill});
    const std::vector<ColourPair>& pairs = listing.pairs;
    for (size_t i = 1; i < report.lines.size(); ++i) {
        auto row = host::ParseReportRow(report.lines[i]);
        if (!row)
            throw InputError("the plug-in's report has an unreadable row line: " +
                             report.lines[i].substr(0, 80));
        Listing::Row out;
        out.sample = row->clock;
        out.cells = std::move(row->cells);
        // The report writes an empty cell as a single blank.
        for (std::string& cell : out.cells)
            if (cell == " ") cell.clear();
        for (int pair : row->pairs) {
            if (pair >= 0 && size_t(pair) < pairs.size()) {
                out.colours.push_back(pairs[size_t(pair)]);
            } else {
                out.colours.push_back(std::nullopt);
            }
        }
        listing.rows.push_back(std::move(out));
    }
    return listing;
}

bool PrintTable(FILE* out, const Listing& listing, const TimeFormat& time, bool colour) {
    std::vector<std::string> titles = {"Clock", "Time (" + time.Unit() + ")"};
    titles.insert(titles.end(), listing.titles.begin(), listing.titles.end());
    std::vector<size_t> widths;
    for (const std::string& title : titles) widths.push_back(title.size());
    std::vector<std::pair<std::string, std::string>> clocks;
    clocks.reserve(listing.rows.size());
    for (const Listing::Row& row : listing.rows) {
        clocks.emplace_back(std::to_string(row.sample), time.Format(row.sample));
        widths[0] = std::max(widths[0], clocks.back().first.size());
        widths[1] = std::max(widths[1], clocks.back().second.size());
        for (size_t c = 0; c < row.cells.size() && c + 2 < widths.size(); ++c)
            widths[c + 2] = std::max(widths[c + 2], row.cells[c].size());
    }

    const std::string reset = "\x1b[0m";
    auto line = [&](const std::vector<std::string>& cells,
                    const std::vector<std::optional<ColourPair>>& colours) {
        std::string text;
        for (size_t c = 0; c < cells.size(); ++c) {
            const bool last = c + 1 == cells.size();
            const bool right = c < 2;
            const size_t width = c < widths.size() ? widths[c] : cells[c].size();
            std::string padded = cells[c];
            if (padded.size() < width && (right || !last || colour)) {
                const std::string pad(width - padded.size(), ' ');
                padded = right ? pad + padded : padded + pad;
            }
            const std::optional<ColourPair>& pair = c < colours.size() ? colours[c] : std::nullopt;
            if (colour && pair) {
                text += Escape(pair->text, false) + Escape(pair->fill, true) + " " + padded + " " + reset;
            } else {
                text += colour ? " " + padded + " " : padded;
            }
            if (!last) text += colour ? " " : "  ";
        }
        while (!colour && !text.empty() && text.back() == ' ') text.pop_back();
        return text + "\n";
    };

    if (!Emit(out, line(titles, {}))) return false;
    for (size_t r = 0; r < listing.rows.size(); ++r) {
        const Listing::Row& row = listing.rows[r];
        std::vector<std::string> cells = {clocks[r].first, clocks[r].second};
        cells.insert(cells.end(), row.cells.begin(), row.cells.end());
        std::vector<std::optional<ColourPair>> colours = {listing.clockColours, listing.clockColours};
        colours.insert(colours.end(), row.colours.begin(), row.colours.end());
        if (!Emit(out, line(cells, colours))) return false;
        if (Interrupted()) return false;
    }
    return std::fflush(out) == 0;
}

bool PrintCsv(FILE* out, const Listing& listing, const TimeFormat& time) {
    std::string text = "Clock,Time [s]";
    for (const std::string& title : listing.titles) text += "," + CsvField(title);
    if (!Emit(out, text + "\n")) return false;
    for (size_t r = 0; r < listing.rows.size(); ++r) {
        const Listing::Row& row = listing.rows[r];
        text = std::to_string(row.sample) + "," + time.Seconds(row.sample);
        for (const std::string& cell : row.cells) text += "," + CsvField(cell);
        if (!Emit(out, text + "\n")) return false;
        if (Interrupted()) return false;
    }
    return std::fflush(out) == 0;
}

bool PrintJson(FILE* out, const std::string& meta, const char* rowsName, const Listing& listing,
               const TimeFormat& time) {
    const std::vector<ColourPair>& pairs = listing.pairs;
    auto colourObject = [](const std::optional<ColourPair>& pair) -> std::string {
        if (!pair) return "null";
        return "{\"text\": \"" + HexColour(pair->text) + "\", \"fill\": \"" + HexColour(pair->fill) + "\"}";
    };
    std::string text = "{\n  " + meta + ",\n  \"columns\": [";
    for (size_t i = 0; i < listing.titles.size(); ++i)
        text += (i ? ", " : "") + JsonString(listing.titles[i]);
    text += "],\n  \"colourPairs\": [";
    for (size_t i = 0; i < pairs.size(); ++i) text += (i ? ", " : "") + colourObject(pairs[i]);
    text += "],\n  \"" + std::string(rowsName) + "\": [";
    if (!Emit(out, text)) return false;
    for (size_t r = 0; r < listing.rows.size(); ++r) {
        const Listing::Row& row = listing.rows[r];
        text = std::string(r ? "," : "") + "\n    {\"clock\": " + std::to_string(row.sample) +
               ", \"time\": " + time.Seconds(row.sample) + ", \"cells\": [";
        for (size_t c = 0; c < row.cells.size(); ++c) text += (c ? ", " : "") + JsonString(row.cells[c]);
        text += "], \"colours\": [";
        for (size_t c = 0; c < row.colours.size(); ++c)
            text += (c ? ", " : "") + colourObject(row.colours[c]);
        text += "]}";
        if (!Emit(out, text)) return false;
        if (Interrupted()) return false;
    }
    return Emit(out, std::string(listing.rows.empty() ? "" : "\n  ") + "]\n}\n") && std::fflush(out) == 0;
}

}  // namespace hdmi::cli
