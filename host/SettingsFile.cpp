#include "SettingsFile.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

#include "HostSystem.h"

namespace hdmi::host {

namespace {

std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

// A whole number in decimal or, with 0x, in hex; nothing else on the line.
std::optional<int64_t> Number(std::string_view text) {
    int base = 10;
    bool negative = false;
    if (text.starts_with("-")) {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return negative ? -value : value;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::string FormatSettings(const StoredSettings& s) {
    std::string text =
        "# hdmi-ddc: the DDC(EDID) plug-in's settings block, as its settings dialog last stored it.\n"
        "# Written by \"hdmi-ddc settings\"; \"hdmi-ddc settings --reset\" removes it.\n";
    text += "ChannelCount=" + std::to_string(s.ChannelCount) + "\n";
    text += "ChannelMap=" + std::to_string(s.ChannelMap[0]) + "," + std::to_string(s.ChannelMap[1]) + "\n";
    text += "DecodeFlags=" + Hex(s.DecodeFlags, 8) + "\n";
    text += "ColorSlotsLow=" + Hex(s.ColorSlotsLow, 8) + "\n";
    text += "ColorSlotsHigh=" + Hex(s.ColorSlotsHigh, 8) + "\n";
    text += "SettingsState=" + Hex(s.SettingsState, 4) + "\n";
    text += "DialogResult=" + std::to_string(s.DialogResult) + "\n";
    return text;
}

StoredSettings ParseSettings(const std::string& text, const std::string& origin) {
    StoredSettings s;
    enum Field { kCount, kMap, kFlags, kLow, kHigh, kState, kResult, kFields };
    static constexpr std::string_view kNames[kFields] = {"ChannelCount",  "ChannelMap",     "DecodeFlags",
                                                         "ColorSlotsLow", "ColorSlotsHigh", "SettingsState",
                                                         "DialogResult"};
    bool seen[kFields] = {};
    std::istringstream lines(text);
    std::string raw;
    int lineNumber = 0;
    auto fail = [&](const std::string& why) {
        throw SettingsFileError(origin + ": line " + std::to_string(lineNumber) + ": " + why);
    };
    while (std::getline(lines, raw)) {
        ++lineNumber;
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#') continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) fail("expected NAME=VALUE");
        const std::string_view name = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        int field = 0;
        while (field < kFields && kNames[field] != name) ++field;
        if (field == kFields) fail("unknown setting \"" + std::string(name) + "\"");
        if (seen[field]) fail(std::string(name) + " is given twice");
        seen[field] = true;
        auto number = [&](std::string_view digits, int64_t min, int64_t max) {
            const std::optional<int64_t> n = Number(digits);
            if (!n || *n < min || *n > max)
                fail(std::string(name) + " wants a number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not \"" + std::string(digits) + "\"");
            return *n;
        };
        switch (field) {
            case kCount:
                s.ChannelCount = int32_t(number(value, 2, 2));
                break;
            case kMap: {
                const size_t comma = value.find(',');
                if (comma == std::string_view::npos) fail("ChannelMap wants two channels, SCL,SDA");
                s.ChannelMap[0] = int32_t(number(Trim(value.substr(0, comma)), 0, 255));
                s.ChannelMap[1] = int32_t(number(Trim(value.substr(comma + 1)), 0, 255));
                break;
            }
            case kFlags:
                s.DecodeFlags = uint32_t(number(value, 0, UINT32_MAX));
                break;
            case kLow:
                s.ColorSlotsLow = uint32_t(number(value, 0, UINT32_MAX));
                break;
            case kHigh:
                s.ColorSlotsHigh = uint32_t(number(value, 0, UINT32_MAX));
                break;
            case kState:
                s.SettingsState = uint16_t(number(value, 0, UINT16_MAX));
                break;
            case kResult:
                s.DialogResult = uint32_t(number(value, 0, UINT32_MAX));
                break;
        }
    }
    for (int field = 0; field < kFields; ++field)
        if (!seen[field]) throw SettingsFileError(origin + ": " + std::string(kNames[field]) + " is missing");
    return s;
}

std::string DefaultSettingsPath() {
    const std::string folder = system::UserConfigFolder();
    if (folder.empty()) return {};
    return (std::filesystem::path(folder) / "hdmi-ddc" / "settings").string();
}

std::optional<StoredSettings> LoadSettings(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in.good() && !in.eof()) throw SettingsFileError(path + ": cannot be read");
    const std::string content = text.str();
    if (content.size() > 64 * 1024) throw SettingsFileError(path + ": too large for a settings file");
    return ParseSettings(content, path);
}

void SaveSettings(const std::string& path, const StoredSettings& settings) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), error);
    if (error)
        throw SettingsFileError("cannot create " + target.parent_path().string() + ": " + error.message());
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << FormatSettings(settings);
        out.flush();
        if (!out) {
            fs::remove(temporary, error);
            throw SettingsFileError("cannot write " + temporary);
        }
    }
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw SettingsFileError("cannot replace " + path + ": " + error.message());
    }
}

bool RemoveSettings(const std::string& path) {
    std::error_code error;
    const bool removed = std::filesystem::remove(path, error);
    if (error) throw SettingsFileError("cannot remove " + path + ": " + error.message());
    return removed;
}

}  // namespace hdmi::host
