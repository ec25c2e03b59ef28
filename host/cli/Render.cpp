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

ReportListing::ReportListing(std::string_view text) {
    while (!text.empty()) {
        const size_t end = text.find("\r\n");
        lines_.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 2);
    }
    const auto header = lines_.empty() ? std::nullopt : host::ParseReportHeader(lines_[0]);
    if (!header) throw InputError("the plug-in's report has no readable header line");
    titles = header->columns;
    clockColours = ColourPair{0x000000, 0xFFFFFF};
    // The header spells colours as the host's 0x00BBGGRR values in hex.
    for (const auto& [text, fill] : header->pairs) pairs.push_back({text, fill});
}

void ReportListing::GetRow(size_t index, Row& row) const {
    const std::string_view line = lines_[index + 1];
    auto parsed = host::ParseReportRow(line);
    if (!parsed)
        throw InputError("the plug-in's report has an unreadable row line: " +
                         std::string(line.substr(0, 80)));
    row.sample = parsed->clock;
    row.cells = std::move(parsed->cells);
    // The report writes an empty cell as a single blank.
    for (std::string& cell : row.cells)
        if (cell == " ") cell.clear();
    row.colours.clear();
    for (int pair : parsed->pairs) {
        if (pair >= 0 && size_t(pair) < pairs.size()) {
            row.colours.push_back(pairs[size_t(pair)]);
        } else {
            row.colours.push_back(std::nullopt);
        }
    }
}

bool PrintTable(FILE* out, const Listing& listing, const TimeFormat& time, bool colour) {
    std::vector<std::string> titles = {"Clock", "Time (" + time.Unit() + ")"};
    titles.insert(titles.end(), listing.titles.begin(), listing.titles.end());
    std::vector<size_t> widths;
    for (const std::string& title : titles) widths.push_back(title.size());
    // First pass: the widths.
    Row row;
    for (size_t r = 0; r < listing.RowCount(); ++r) {
        listing.GetRow(r, row);
        widths[0] = std::max(widths[0], std::to_string(row.sample).size());
        widths[1] = std::max(widths[1], time.Format(row.sample).size());
        for (size_t c = 0; c < row.cells.size() && c + 2 < widths.size(); ++c)
            widths[c + 2] = std::max(widths[c + 2], row.cells[c].size());
        if ((r & 1023) == 0 && Interrupted()) return false;
    }

    const std::string reset = "\x1b[0m";
    std::string text;
    auto cell = [&](size_t c, bool last, const std::string& content, const std::optional<ColourPair>& pair) {
        const bool right = c < 2;
        const size_t width = c < widths.size() ? widths[c] : content.size();
        const bool pad = content.size() < width && (right || !last || colour);
        const std::string padding = pad ? std::string(width - content.size(), ' ') : std::string();
        if (colour && pair) text += Escape(pair->text, false) + Escape(pair->fill, true);
        if (colour) text += ' ';
        text += right ? padding + content : content + padding;
        if (colour) text += ' ';
        if (colour && pair) text += reset;
        if (!last) text += colour ? " " : "  ";
    };
    auto finish = [&] {
        while (!colour && !text.empty() && text.back() == ' ') text.pop_back();
        text += '\n';
        const bool ok = Emit(out, text);
        text.clear();
        return ok;
    };

    for (size_t c = 0; c < titles.size(); ++c) cell(c, c + 1 == titles.size(), titles[c], std::nullopt);
    if (!finish()) return false;
    // Second pass: the rows.
    for (size_t r = 0; r < listing.RowCount(); ++r) {
        listing.GetRow(r, row);
        const size_t columns = row.cells.size() + 2;
        cell(0, columns == 1, std::to_string(row.sample), listing.clockColours);
        cell(1, columns == 2, time.Format(row.sample), listing.clockColours);
        for (size_t c = 0; c < row.cells.size(); ++c)
            cell(c + 2, c + 3 == columns, row.cells[c],
                 c < row.colours.size() ? row.colours[c] : std::nullopt);
        if (!finish() || Interrupted()) return false;
    }
    return std::fflush(out) == 0;
}

bool PrintCsv(FILE* out, const Listing& listing, const TimeFormat& time) {
    std::string text = "Clock,Time [s]";
    for (const std::string& title : listing.titles) text += "," + CsvField(title);
    if (!Emit(out, text + "\n")) return false;
    Row row;
    for (size_t r = 0; r < listing.RowCount(); ++r) {
        listing.GetRow(r, row);
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
    Row row;
    for (size_t r = 0; r < listing.RowCount(); ++r) {
        listing.GetRow(r, row);
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
    return Emit(out, std::string(listing.RowCount() == 0 ? "" : "\n  ") + "]\n}\n") && std::fflush(out) == 0;
}

}  // namespace hdmi::cli
