// EDID files for the synthesizer: the raw bytes (as the kernel exposes them in
// /sys/class/drm/*/edid) or the same bytes as hexadecimal text.
//
// Hex text: pairs of hex digits, alone or run together ("00 FF FF", "00FFFF", "0x00,0xFF"),
// separated by blanks, commas or line breaks; "#" starts a comment to the end of the line, and a
// leading "offset:" on a line (as hex dumps print it) is skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hdmi::host {

// The bytes of an EDID: a whole number of 128-byte blocks. Throws CaptureError naming the file
// (and the line, for text) when it cannot be read or is not a whole number of blocks.
std::vector<uint8_t> ReadEdidFile(const std::string& path);

// Hex text to bytes; throws CaptureError naming `origin` and the line on a bad token.
std::vector<uint8_t> ParseEdidHex(std::string_view text, const std::string& origin);

// True when the file content is hex text rather than raw bytes.
bool LooksLikeEdidHex(std::string_view content);

}  // namespace hdmi::host
