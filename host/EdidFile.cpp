#include "EdidFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CaptureFile.h"

namespace hdmi::host {

namespace {

constexpr size_t kBlock = 128;
constexpr size_t kMaxEdidBytes = 256 * kBlock;  // 128 segments of two blocks

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == ',' || c == ';';
}

}  // namespace

bool LooksLikeEdidHex(std::string_view content) {
    if (content.size() >= 2 && uint8_t(content[0]) == 0x00 && uint8_t(content[1]) == 0xFF) return false;
    for (unsigned char c : content)
        if (c != '\n' && c != '\r' && c != '\t' && (c < 0x20 || c > 0x7E)) return false;
    return true;
}

std::vector<uint8_t> ParseEdidHex(std::string_view text, const std::string& origin) {
    std::vector<uint8_t> bytes;
    int line = 0;
    while (!text.empty()) {
        ++line;
        const size_t end = text.find('\n');
        std::string_view rest = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (const size_t hash = rest.find('#'); hash != std::string_view::npos) rest = rest.substr(0, hash);
        bool firstToken = true;
        while (!rest.empty()) {
            while (!rest.empty() && IsSeparator(rest.front())) rest.remove_prefix(1);
            size_t length = 0;
            while (length < rest.size() && !IsSeparator(rest[length])) ++length;
            if (length == 0) break;
            std::string_view token = rest.substr(0, length);
            rest.remove_prefix(length);
            if (firstToken && token.ends_with(':')) {  // a hex dump's offset column
                firstToken = false;
                continue;
            }
            firstToken = false;
            if (token.starts_with("0x") || token.starts_with("0X")) token.remove_prefix(2);
            bool hex = !token.empty() && token.size() % 2 == 0;
            for (char c : token) hex = hex && HexDigit(c) >= 0;
            if (!hex)
                throw CaptureError(origin + ":" + std::to_string(line) + ": \"" + std::string(token) +
                                   "\" is not a run of hex byte pairs");
            for (size_t i = 0; i < token.size(); i += 2)
                bytes.push_back(uint8_t(HexDigit(token[i]) * 16 + HexDigit(token[i + 1])));
            if (bytes.size() > kMaxEdidBytes) throw CaptureError(origin + ": more than 256 EDID blocks");
        }
    }
    return bytes;
}

std::vector<uint8_t> ReadEdidFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw CaptureError(path + ": " + std::strerror(errno));
    std::string content;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        content.append(buffer, got);
        if (content.size() > 4 * kMaxEdidBytes) break;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) throw CaptureError(path + ": cannot read: " + std::strerror(errno));
    std::vector<uint8_t> bytes;
    if (LooksLikeEdidHex(content)) {
        bytes = ParseEdidHex(content, path);
    } else {
        if (content.size() > kMaxEdidBytes) throw CaptureError(path + ": more than 256 EDID blocks");
        bytes.assign(content.begin(), content.end());
    }
    if (bytes.empty()) throw CaptureError(path + ": the EDID file is empty");
    if (bytes.size() % kBlock != 0)
        throw CaptureError(path + ": " + std::to_string(bytes.size()) +
                           " bytes is not a whole number of 128-byte EDID blocks");
    return bytes;
}

}  // namespace hdmi::host
