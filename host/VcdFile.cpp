#include "VcdFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace hdmi::host {

namespace {

constexpr int64_t kFsPerSecond = 1'000'000'000'000'000;

struct FileCloser {
    FILE* file;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

// Whitespace-separated tokens, read block by block, with the line each one starts on.
class Tokens {
  public:
    Tokens(FILE* file, const std::string& path, const ReadOptions& options)
        : file_(file), path_(path), options_(options), buffer_(1 << 20) {}

    bool Next(std::string& token) {
        token.clear();
        while (true) {
            if (pos_ == length_ && !Refill()) return false;
            const char c = buffer_[pos_];
            if (c == '\n') ++line_;
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v') break;
            ++pos_;
        }
        tokenLine_ = line_;
        while (true) {
            if (pos_ == length_ && !Refill()) return true;
            const char c = buffer_[pos_];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') return true;
            token += c;
            ++pos_;
            if (token.size() > 4096) Fail("a token longer than 4096 characters");
        }
    }

    // Skips to the $end that closes the current section; the tokens in between are returned.
    std::vector<std::string> UntilEnd(const std::string& keyword) {
        std::vector<std::string> words;
        std::string token;
        while (Next(token)) {
            if (token == "$end") return words;
            if (words.size() < 64) words.push_back(token);
        }
        Fail(keyword + " without $end");
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw CaptureError(path_ + ":" + std::to_string(tokenLine_) + ": " + what);
    }

  private:
    bool Refill() {
        if (options_.cancelled && options_.cancelled()) throw ReadCancelled();
        length_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        pos_ = 0;
        if (length_ == 0 && std::ferror(file_)) throw CaptureError(path_ + ": " + std::strerror(errno));
        return length_ > 0;
    }

    FILE* file_;
    const std::string& path_;
    const ReadOptions& options_;
    std::vector<char> buffer_;
    size_t pos_ = 0;
    size_t length_ = 0;
    int64_t line_ = 1;
    int64_t tokenLine_ = 1;
};

// "1 ns", "10ps", "100 us" in femtoseconds; 0 when not a timescale.
int64_t ParseTimescale(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += word;
    size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    const std::string number = text.substr(0, digits);
    const std::string unit = text.substr(digits);
    int64_t multiple = 0;
    if (number == "1") multiple = 1;
    if (number == "10") multiple = 10;
    if (number == "100") multiple = 100;
    static const std::pair<const char*, int64_t> kUnits[] = {{"s", kFsPerSecond},   {"ms", 1'000'000'000'000},
                                                             {"us", 1'000'000'000}, {"ns", 1'000'000},
                                                             {"ps", 1'000},         {"fs", 1}};
    for (const auto& [name, fs] : kUnits)
        if (unit == name) return multiple * fs;
    return 0;
}

bool ParseTime(std::string_view digits, int64_t& value) {
    if (digits.empty() || digits.size() > 18) return false;
    value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// The level a scalar value character stands for; -1 when it is not one.
int ScalarLevel(char c) {
    switch (c) {
        case '0':
        case 'l':
        case 'L':
            return 0;
        case '1':
        case 'h':
        case 'H':
        case 'x':
        case 'X':
        case 'z':
        case 'Z':
        case 'u':
        case 'U':
        case 'w':
        case 'W':
        case '-':
            return 1;
        default:
            return -1;
    }
}

}  // namespace

Capture ReadVcd(const std::string& path, const ReadOptions& options) {
    FileCloser file{std::fopen(path.c_str(), "rb")};
    if (!file.file) throw CaptureError(path + ": " + std::strerror(errno));
    Tokens tokens(file.file, path, options);

    Capture capture;
    std::unordered_map<std::string, std::vector<int>> channelsOf;
    std::unordered_set<std::string> skipped;  // identifiers of wider variables
    int channels = 0;
    int64_t timescaleFs = 1'000'000;  // 1 ns when the file does not say
    bool definitionsEnded = false;

    std::string token;
    while (!definitionsEnded && tokens.Next(token)) {
        if (token == "$timescale") {
            timescaleFs = ParseTimescale(tokens.UntilEnd(token));
            if (timescaleFs == 0) tokens.Fail("bad $timescale");
            if (timescaleFs > kFsPerSecond) tokens.Fail("a $timescale above 1 s is not supported");
        } else if (token == "$var") {
            const std::vector<std::string> words = tokens.UntilEnd(token);
            if (words.size() < 4) tokens.Fail("incomplete $var");
            const std::string& id = words[2];
            if (words[1] != "1") {
                skipped.insert(id);
                continue;
            }
            if (channels == kMaxChannels) tokens.Fail("more than 128 one-bit variables");
            std::string name = words[3];
            for (size_t i = 4; i < words.size(); ++i)
                name += (words[i].starts_with('[') ? "" : " ") + words[i];
            capture.SetChannelName(channels, name);
            channelsOf[id].push_back(channels);
            ++channels;
        } else if (token == "$enddefinitions") {
            tokens.UntilEnd(token);
            definitionsEnded = true;
        } else if (token.starts_with('$')) {
            tokens.UntilEnd(token);
        } else {
            tokens.Fail("unexpected \"" + token + "\" before $enddefinitions");
        }
    }
    if (!definitionsEnded) throw CaptureError(path + ": not a complete VCD file (no $enddefinitions)");
    if (channels == 0) throw CaptureError(path + ": the VCD file declares no one-bit variable");

    capture.SetChannelCount(channels);
    capture.SetSampleRate(options.sampleRate > 0 ? options.sampleRate : kFsPerSecond / timescaleFs);
    const Levels keep = options.select ? options.select(capture) : AllChannels();

    Levels current;
    int64_t time = 0;
    bool pending = false;  // `current` changed at `time` and is not in the capture yet
    bool anyValue = false;
    bool anyTime = false;
    while (tokens.Next(token)) {
        const char first = token[0];
        if (first == '#') {
            int64_t next = 0;
            if (!ParseTime(std::string_view(token).substr(1), next))
                tokens.Fail("bad time stamp \"" + token + "\"");
            if (anyTime && next < time) tokens.Fail("time goes backwards (" + token + ")");
            if (pending && next != time) {
                capture.Append(time, current);
                pending = false;
            }
            time = next;
            anyTime = true;
        } else if (first == '$') {
            if (token == "$comment") tokens.UntilEnd(token);
            // $dumpvars, $dumpall, $dumpon, $dumpoff and their $end only frame ordinary changes.
        } else if (first == 'b' || first == 'B' || first == 'r' || first == 'R') {
            if (!tokens.Next(token)) tokens.Fail("vector value without identifier");
            if (!skipped.contains(token) && !channelsOf.contains(token))
                tokens.Fail("unknown identifier \"" + token + "\"");
        } else {
            const int level = ScalarLevel(first);
            if (level < 0 || token.size() < 2) tokens.Fail("cannot read \"" + token + "\"");
            const auto found = channelsOf.find(token.substr(1));
            if (found == channelsOf.end()) {
                if (skipped.contains(token.substr(1))) continue;
                tokens.Fail("unknown identifier \"" + token.substr(1) + "\"");
            }
            for (int channel : found->second) {
                if (!keep.Get(channel) || current.Get(channel) == bool(level)) continue;
                current.Set(channel, level != 0);
                pending = true;
            }
            if (!anyValue) pending = true;  // the first value fixes the levels at sample 0
            anyValue = true;
        }
    }
    if (!anyValue && !anyTime) throw CaptureError(path + ": the capture holds no samples");
    if (pending || capture.RunCount() == 0) capture.Append(time, current);
    capture.SetSampleCount(time + 1);
    capture.ShrinkToFit();
    return capture;
}

// ---- Writing ---------------------------------------------------------------------------------------

namespace {

std::string Identifier(int channel) {
    std::string id;
    do {
        id += char('!' + channel % 94);
        channel /= 94;
    } while (channel > 0);
    return id;
}

std::string Reference(std::string name, int channel) {
    if (name.empty()) name = "D" + std::to_string(channel);
    for (char& c : name)
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') c = '_';
    return name;
}

struct Timescale {
    std::string text;
    int64_t ticksPerSample = 0;  // 0: changes are rounded to 1 ps
};

Timescale ChooseTimescale(int64_t rate) {
    if (rate > 0 && kFsPerSecond % rate == 0) {
        const int64_t period = kFsPerSecond / rate;
        static const std::pair<const char*, int64_t> kUnits[] = {
            {"s", kFsPerSecond},   {"ms", 1'000'000'000'000},
            {"us", 1'000'000'000}, {"ns", 1'000'000},
            {"ps", 1'000},         {"fs", 1}};
        for (const auto& [name, fs] : kUnits)
            for (int64_t multiple : {100, 10, 1})
                if (period % (multiple * fs) == 0)
                    return {std::to_string(multiple) + " " + name, period / (multiple * fs)};
    }
    return {"1 ps", 0};
}

}  // namespace

void WriteVcd(const std::string& path, const Capture& capture) {
    const int channels = std::max(1, capture.ChannelCount());
    if (capture.SampleCount() <= 0) throw CaptureError(path + ": nothing to write (the capture is empty)");
    const Timescale timescale = ChooseTimescale(capture.SampleRate());
    auto timeOf = [&](int64_t sample) {
        if (timescale.ticksPerSample > 0) return sample * timescale.ticksPerSample;
        return int64_t(((__int128)sample * 1'000'000'000'000 + capture.SampleRate() / 2) /
                       capture.SampleRate());
    };

    FileCloser file{std::fopen(path.c_str(), "wb")};
    if (!file.file) throw CaptureError(path + ": " + std::strerror(errno));
    std::string out;
    out += "$version hdmi-ddc $end\n";
    out += "$comment sample rate " + FormatFrequency(capture.SampleRate()) + " $end\n";
    out += "$timescale " + timescale.text + " $end\n";
    out += "$scope module ddc $end\n";
    for (int channel = 0; channel < channels; ++channel)
        out += "$var wire 1 " + Identifier(channel) + " " + Reference(capture.ChannelName(channel), channel) +
               " $end\n";
    out += "$upscope $end\n$enddefinitions $end\n";

    auto flush = [&](bool force) {
        if (!force && out.size() < (1u << 20)) return;
        if (std::fwrite(out.data(), 1, out.size(), file.file) != out.size())
            throw CaptureError(path + ": " + std::strerror(errno));
        out.clear();
    };

    Levels previous;
    for (size_t run = 0; run < capture.RunCount(); ++run) {
        const Levels levels = capture.RunLevels(run);
        out += "#" + std::to_string(timeOf(capture.RunStart(run))) + "\n";
        if (run == 0) out += "$dumpvars\n";
        for (int channel = 0; channel < channels; ++channel) {
            if (run != 0 && levels.Get(channel) == previous.Get(channel)) continue;
            out += levels.Get(channel) ? '1' : '0';
            out += Identifier(channel);
            out += '\n';
        }
        if (run == 0) out += "$end\n";
        previous = levels;
        flush(false);
    }
    const int64_t last = capture.SampleCount() - 1;
    if (capture.RunCount() == 0 || capture.RunStart(capture.RunCount() - 1) < last)
        out += "#" + std::to_string(timeOf(last)) + "\n";
    flush(true);
    FILE* handle = file.file;
    file.file = nullptr;
    if (std::fclose(handle) != 0) throw CaptureError(path + ": " + std::strerror(errno));
}

}  // namespace hdmi::host
