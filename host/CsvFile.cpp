#include "CsvFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <vector>

namespace hdmi::host {

namespace {

constexpr int64_t kFsPerSecond = 1'000'000'000'000'000;

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = Lower(c);
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::string_view Unquote(std::string_view text) {
    text = Trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = Trim(text.substr(1, text.size() - 2));
    return text;
}

// Level of a cell: 0, 1, or -1 when it is not a level.
int ParseLevel(std::string_view text) {
    const std::string lower = LowerCase(Unquote(text));
    if (lower == "0" || lower == "l" || lower == "low") return 0;
    if (lower == "1" || lower == "h" || lower == "high") return 1;
    return -1;
}

// Lines of a file, read block by block; a line holds at most 64 KiB.
class Lines {
  public:
    Lines(const std::string& path, const ReadOptions& options) : path_(path), options_(options) {
        file_ = std::fopen(path.c_str(), "rb");
        if (!file_) throw CaptureError(path + ": " + std::strerror(errno));
    }
    ~Lines() { std::fclose(file_); }
    Lines(const Lines&) = delete;
    Lines& operator=(const Lines&) = delete;

    bool Next(std::string& line) {
        line.clear();
        while (true) {
            if (pos_ == length_) {
                if (options_.cancelled && options_.cancelled()) throw ReadCancelled();
                length_ = std::fread(buffer_, 1, sizeof buffer_, file_);
                pos_ = 0;
                if (length_ == 0) {
                    if (std::ferror(file_)) throw CaptureError(path_ + ": " + std::strerror(errno));
                    if (line.empty() && atEnd_) return false;
                    atEnd_ = true;
                    ++number_;
                    return !line.empty();
                }
            }
            const char* start = buffer_ + pos_;
            const void* newline = std::memchr(start, '\n', length_ - pos_);
            const size_t take = newline ? size_t(static_cast<const char*>(newline) - start) : length_ - pos_;
            line.append(start, take);
            pos_ += take;
            if (line.size() > 65536) Fail("line longer than 64 KiB");
            if (newline) {
                ++pos_;
                ++number_;
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return true;
            }
        }
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw CaptureError(path_ + ":" + std::to_string(number_) + ": " + what);
    }

  private:
    const std::string& path_;
    const ReadOptions& options_;
    FILE* file_ = nullptr;
    char buffer_[1 << 16];
    size_t pos_ = 0;
    size_t length_ = 0;
    int64_t number_ = 0;
    bool atEnd_ = false;
};

struct Header {
    char separator = ',';
    bool sampleNumbers = false;  // first column: sample numbers, else times
    int timeScale = 15;          // the time unit is 10^timeScale fs (15: seconds)
    std::vector<std::string> channels;
    int64_t rateHint = 0;  // from a "; Samplerate:" comment
};

std::vector<std::string_view> Split(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    while (true) {
        const size_t at = line.find(separator);
        fields.push_back(line.substr(0, at));
        if (at == std::string_view::npos) return fields;
        line.remove_prefix(at + 1);
    }
}

// Scale of the time column's unit as a power of ten of femtoseconds.
int TimeScale(const std::string& title) {
    struct Unit {
        const char* text;
        int scale;
    };
    static constexpr Unit kUnits[] = {{"ms", 12}, {"us", 9}, {"\xC2\xB5s", 9},
                                      {"ns", 6},  {"ps", 3}, {"s", 15}};
    for (const Unit& unit : kUnits)
        for (const char* open : {"[", "("}) {
            const std::string marked = std::string(open) + unit.text + (open[0] == '[' ? "]" : ")");
            if (title.find(marked) != std::string::npos) return unit.scale;
        }
    return 15;
}

// Reads comment lines and the header; leaves `lines` at the first data row.
Header ReadHeader(Lines& lines, const std::string& path) {
    Header header;
    std::string line;
    while (lines.Next(line)) {
        const std::string_view text = Trim(line);
        if (text.empty()) continue;
        if (text.front() == ';' || text.front() == '#') {
            const std::string lower = LowerCase(text);
            const size_t at = lower.find("samplerate:");
            if (at != std::string::npos) header.rateHint = ParseFrequency(text.substr(at + 11));
            continue;
        }
        header.separator = text.find(';') != std::string_view::npos    ? ';'
                           : text.find('\t') != std::string_view::npos ? '\t'
                                                                       : ',';
        const std::vector<std::string_view> titles = Split(text, header.separator);
        if (titles.size() < 2) lines.Fail("the header names no channel column");
        const std::string first = LowerCase(Unquote(titles[0]));
        header.sampleNumbers = first.find("sample") != std::string::npos;
        if (!header.sampleNumbers && first.find("time") == std::string::npos)
            lines.Fail("the first column is neither a time nor a sample number (\"" + std::string(titles[0]) +
                       "\")");
        header.timeScale = TimeScale(first);
        for (size_t i = 1; i < titles.size(); ++i) {
            const std::string_view title = Unquote(titles[i]);
            if (title.empty() && i + 1 == titles.size()) break;  // a trailing separator
            header.channels.emplace_back(title);
        }
        if (header.channels.size() > size_t(kMaxChannels)) lines.Fail("more than 128 channel columns");
        return header;
    }
    throw CaptureError(path + ": the CSV file has no header line");
}

// The first column of a data row in femtoseconds (times) or samples (sample numbers).
int64_t ParseStamp(Lines& lines, const Header& header, std::string_view field) {
    std::string text(Unquote(field));
    if (header.separator != ',')
        for (char& c : text)
            if (c == ',') c = '.';  // decimal comma of the exports that separate with ';'
    int64_t value = 0;
    if (!ParseScaledDecimal(text, header.sampleNumbers ? 0 : header.timeScale, value))
        lines.Fail("cannot read the " + std::string(header.sampleNumbers ? "sample number" : "time") + " \"" +
                   text + "\"");
    return value;
}

bool IsDataRow(std::string_view line) {
    const std::string_view text = Trim(line);
    return !text.empty() && text.front() != ';' && text.front() != '#';
}

}  // namespace

Capture ReadCsv(const std::string& path, const ReadOptions& options) {
    Header header;
    int64_t rate = options.sampleRate;
    int64_t periodFs = 0;  // time mode without a known rate: the common step of all times
    {
        Lines lines(path, options);
        header = ReadHeader(lines, path);
        if (rate <= 0) rate = header.rateHint;
        if (header.sampleNumbers && rate <= 0)
            throw CaptureError(
                path + ": the CSV file gives sample numbers but no sample rate (give one with --rate)");
        if (!header.sampleNumbers && rate <= 0) {
            // First pass: the largest step that divides every time.
            std::string line;
            bool first = true;
            int64_t origin = 0;
            int64_t previous = 0;
            while (lines.Next(line)) {
                if (!IsDataRow(line)) continue;
                const std::string_view text = Trim(line);
                const int64_t stamp = ParseStamp(lines, header, text.substr(0, text.find(header.separator)));
                if (first) {
                    origin = previous = stamp;
                    first = false;
                }
                if (stamp < previous) lines.Fail("time goes backwards");
                previous = stamp;
                periodFs = std::gcd(periodFs, stamp - origin);
            }
            if (first) throw CaptureError(path + ": the capture holds no samples");
            if (periodFs == 0) periodFs = 1'000'000;  // a single time: any step will do
            rate = std::max<int64_t>(1, (kFsPerSecond + periodFs / 2) / periodFs);
        }
    }

    Capture capture;
    for (size_t i = 0; i < header.channels.size(); ++i) capture.SetChannelName(int(i), header.channels[i]);
    capture.SetChannelCount(int(header.channels.size()));
    capture.SetSampleRate(rate);
    const Levels keep = options.select ? options.select(capture) : AllChannels();

    Lines lines(path, options);
    ReadHeader(lines, path);
    std::string line;
    bool first = true;
    int64_t origin = 0;
    int64_t position = 0;
    while (lines.Next(line)) {
        if (!IsDataRow(line)) continue;
        const std::vector<std::string_view> fields = Split(Trim(line), header.separator);
        if (fields.size() < header.channels.size() + 1)
            lines.Fail("expected " + std::to_string(header.channels.size() + 1) + " columns, found " +
                       std::to_string(fields.size()));
        const int64_t stamp = ParseStamp(lines, header, fields[0]);
        if (first) origin = stamp;
        int64_t next = 0;
        if (header.sampleNumbers) {
            next = stamp - origin;
        } else if (periodFs > 0) {
            next = (stamp - origin) / periodFs;
        } else {
            next = int64_t(((__int128)(stamp - origin) * rate + kFsPerSecond / 2) / kFsPerSecond);
        }
        if (!first && next < position)
            lines.Fail(header.sampleNumbers ? "sample numbers go backwards" : "time goes backwards");
        position = next;
        Levels levels;
        for (size_t c = 0; c < header.channels.size(); ++c) {
            const int level = ParseLevel(fields[c + 1]);
            if (level < 0) {
                // Built by appends: mingw's GCC warns falsely about the operator+ chain here.
                std::string message = "\"";
                message.append(Trim(fields[c + 1]));
                message.append("\" is not a level (0 or 1)");
                lines.Fail(message);
            }
            if (level && keep.Get(int(c))) levels.Set(int(c), true);
        }
        capture.Append(position, levels);
        first = false;
    }
    if (first) throw CaptureError(path + ": the capture holds no samples");
    capture.SetSampleCount(position + 1);
    capture.ShrinkToFit();
    return capture;
}

void WriteCsv(const std::string& path, const Capture& capture) {
    const int channels = std::max(1, capture.ChannelCount());
    if (capture.SampleCount() <= 0) throw CaptureError(path + ": nothing to write (the capture is empty)");
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw CaptureError(path + ": " + std::strerror(errno));
    std::string out = "; Samplerate: " + FormatFrequency(capture.SampleRate()) + "\nTime [s]";
    for (int channel = 0; channel < channels; ++channel) {
        const std::string& name = capture.ChannelName(channel);
        out += "," + (name.empty() ? "D" + std::to_string(channel) : name);
    }
    out += "\n";
    bool failed = false;
    auto row = [&](int64_t sample, const Levels& levels) {
        const __int128 fs = (__int128)sample * kFsPerSecond / capture.SampleRate();
        char time[64];
        std::snprintf(time, sizeof time, "%lld.%015lld", (long long)(fs / kFsPerSecond),
                      (long long)(fs % kFsPerSecond));
        out += time;
        for (int channel = 0; channel < channels; ++channel) out += levels.Get(channel) ? ",1" : ",0";
        out += "\n";
        if (out.size() >= (1u << 20)) {
            failed |= std::fwrite(out.data(), 1, out.size(), file) != out.size();
            out.clear();
        }
    };
    for (size_t run = 0; run < capture.RunCount(); ++run) row(capture.RunStart(run), capture.RunLevels(run));
    const int64_t last = capture.SampleCount() - 1;
    if (capture.RunStart(capture.RunCount() - 1) < last) row(last, capture.RunLevels(capture.RunCount() - 1));
    failed |= std::fwrite(out.data(), 1, out.size(), file) != out.size();
    failed |= std::fclose(file) != 0;
    if (failed) throw CaptureError(path + ": cannot write: " + std::strerror(errno));
}

}  // namespace hdmi::host
