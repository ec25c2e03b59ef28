#include "CaptureFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "CsvFile.h"
#include "SigrokFile.h"
#include "VcdFile.h"

namespace hdmi::host {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// Looks like text: no NUL and hardly any control bytes.
bool LooksLikeText(std::string_view head) {
    size_t odd = 0;
    for (unsigned char c : head) {
        if (c == 0) return false;
        if (c < 0x20 && !IsBlank(char(c))) ++odd;
    }
    return odd * 100 <= head.size();
}

bool LooksLikeCsv(std::string_view head) {
    while (!head.empty()) {
        const size_t end = head.find('\n');
        const std::string_view line = Trim(head.substr(0, end));
        head = end == std::string_view::npos ? std::string_view() : head.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        return line.find_first_of(",;\t") != std::string_view::npos;
    }
    return false;
}

}  // namespace

const char* CaptureFormatName(CaptureFormat format) {
    switch (format) {
        case CaptureFormat::Sigrok:
            return "sigrok session";
        case CaptureFormat::Vcd:
            return "VCD";
        case CaptureFormat::Csv:
            return "CSV";
        case CaptureFormat::Unknown:
            break;
    }
    return "unknown";
}

CaptureFormat DetectCaptureFormat(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw CaptureError(path + ": " + std::strerror(errno));
    char buffer[4096];
    const size_t got = std::fread(buffer, 1, sizeof buffer, file);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) throw CaptureError(path + ": " + std::strerror(error));
    if (got == 0) throw CaptureError(path + ": the file is empty");
    const std::string_view head(buffer, got);
    if (head.starts_with("PK\x03\x04") || head.starts_with("PK\x05\x06")) return CaptureFormat::Sigrok;
    if (!LooksLikeText(head)) return CaptureFormat::Unknown;
    if (Trim(head).starts_with('$')) return CaptureFormat::Vcd;
    if (LooksLikeCsv(head)) return CaptureFormat::Csv;
    return CaptureFormat::Unknown;
}

Capture ReadCapture(const std::string& path, const ReadOptions& options) {
    Capture capture;
    const CaptureFormat format = DetectCaptureFormat(path);
    switch (format) {
        case CaptureFormat::Sigrok:
            capture = ReadSigrok(path, options);
            break;
        case CaptureFormat::Vcd:
            capture = ReadVcd(path, options);
            break;
        case CaptureFormat::Csv:
            capture = ReadCsv(path, options);
            break;
        case CaptureFormat::Unknown:
            throw CaptureError(path + ": unknown format (expected a sigrok session, VCD or CSV file)");
    }
    if ((capture.RunCount() == 0 && !options.run) || capture.SampleCount() <= 0)
        throw CaptureError(path + ": the capture holds no samples");
    if (options.run && !CanStream(format)) {
        // Read whole (its length is known only at its end), then handed over run by run all the
        // same, so that a caller sees one behaviour for every format.
        const Capture header = capture.HeaderOnly();
        if (options.counted) options.counted(header, capture.SampleCount());
        for (size_t run = 0; run < capture.RunCount(); ++run)
            options.run(capture.RunStart(run), capture.RunLevels(run));
        return header;
    }
    return capture;
}

bool CanStream(CaptureFormat format) {
    return format == CaptureFormat::Sigrok;
}

Levels AllChannels() {
    Levels all;
    all.bytes.fill(0xFF);
    return all;
}

bool ParseScaledDecimal(std::string_view text, int scale, int64_t& value) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::string digits;
    int exponent = scale;
    bool anyDigit = false;
    size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        anyDigit = true;
        if (!digits.empty() || text[i] != '0') digits += text[i];
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            anyDigit = true;
            if (!digits.empty() || text[i] != '0') digits += text[i];
            --exponent;
        }
    }
    if (!anyDigit) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
        int e = 0;
        bool any = false;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            any = true;
            if (e < 10000) e = e * 10 + (text[i] - '0');
        }
        if (!any) return false;
        exponent += negativeExponent ? -e : e;
    }
    if (i != text.size()) return false;
    // Digits beyond what 128 bits hold cannot change a 64-bit result.
    while (digits.size() > 36) {
        digits.pop_back();
        ++exponent;
    }
    __int128 mantissa = 0;
    for (char d : digits) mantissa = mantissa * 10 + (d - '0');
    constexpr __int128 kMax = std::numeric_limits<int64_t>::max();
    if (mantissa == 0) {
        value = 0;
        return true;
    }
    if (exponent >= 0) {
        for (int k = 0; k < exponent; ++k) {
            mantissa *= 10;
            if (mantissa > kMax) return false;
        }
    } else if (exponent < -38) {
        mantissa = 0;
    } else {
        __int128 divisor = 1;
        for (int k = 0; k < -exponent; ++k) divisor *= 10;
        const __int128 remainder = mantissa % divisor;
        mantissa /= divisor;
        if (2 * remainder >= divisor) ++mantissa;
    }
    if (mantissa > kMax) return false;
    value = negative ? -int64_t(mantissa) : int64_t(mantissa);
    return true;
}

int64_t ParseFrequency(std::string_view text) {
    text = Trim(text);
    if (text.size() >= 2 && EqualsIgnoringCase(text.substr(text.size() - 2), "hz")) {
        text.remove_suffix(2);
        text = Trim(text);
    }
    int scale = 0;
    if (!text.empty()) {
        switch (text.back()) {
            case 'k':
            case 'K':
                scale = 3;
                break;
            case 'm':
            case 'M':
                scale = 6;
                break;
            case 'g':
            case 'G':
                scale = 9;
                break;
            default:
                break;
        }
        if (scale != 0) text.remove_suffix(1);
    }
    int64_t hz = 0;
    if (!ParseScaledDecimal(text, scale, hz) || hz <= 0) return 0;
    return hz;
}

std::string FormatFrequency(int64_t hz) {
    if (hz > 0 && hz % 1000000000 == 0) return std::to_string(hz / 1000000000) + " GHz";
    if (hz > 0 && hz % 1000000 == 0) return std::to_string(hz / 1000000) + " MHz";
    if (hz > 0 && hz % 1000 == 0) return std::to_string(hz / 1000) + " kHz";
    return std::to_string(hz) + " Hz";
}

int64_t ParseDurationFs(std::string_view text) {
    text = Trim(text);
    struct Unit {
        std::string_view suffix;
        int scale;
    };
    // Longest suffixes first, so that "ms" is not read as "s".
    static constexpr Unit kUnits[] = {{"\xC2\xB5s", 9}, {"ms", 12}, {"us", 9}, {"ns", 6},
                                      {"ps", 3},        {"fs", 0},  {"s", 15}};
    for (const Unit& unit : kUnits) {
        if (text.size() <= unit.suffix.size() || !text.ends_with(unit.suffix)) continue;
        int64_t fs = 0;
        if (!ParseScaledDecimal(text.substr(0, text.size() - unit.suffix.size()), unit.scale, fs) || fs < 0)
            return -1;
        return fs;
    }
    return -1;
}

}  // namespace hdmi::host
