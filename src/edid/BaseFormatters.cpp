// Value formatters of the EDID base block: the fields whose text is more than a number or a value
// name. Each receives the row's value in bytes[0] and its continued rows' values in bytes[1..],
// writes at most outSize bytes (text is cut, never overrun) and returns -1 for bad arguments.
#include <cstdio>

#include "ddc/DdcDecoder.h"
#include "edid/FormatterArguments.h"
#include "edid/DescriptorKinds.h"
#include "edid/EdidMaps.h"

namespace hdmi {

int32_t CDdcDecoder::FormatManufacturerName(char* out, int32_t outSize, const uint8_t* bytes,
                                            int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount != 16) return -1;
    // Three 5-bit codes, 1 = 'A'; bit 7 of the first byte is not part of the name.
    const int first = (bytes[0] >> 2) & 31;
    const int second = ((bytes[0] & 3) << 3) | (bytes[1] >> 5);
    const int third = bytes[1] & 31;
    std::snprintf(out, Capacity(outSize), "%c%c%c", first + 64, second + 64, third + 64);
    return 0;
}

int32_t CDdcDecoder::FormatWeekYear(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount != 16) return -1;
    const int week = bytes[0];
    const int year = bytes[1] + 1990;
    if (week == 0xFF)
        std::snprintf(out, Capacity(outSize), "Model Year = %d", year);
    else if (week >= 1 && week <= 54)
        std::snprintf(out, Capacity(outSize), "Manufacture Year = %d, Weeks %d", year, week);
    else
        std::snprintf(out, Capacity(outSize), "Manufacture Year = %d", year);
    return 0;
}

int32_t CDdcDecoder::FormatScreenSize(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount != 16) return -1;
    const int horizontal = bytes[0];
    const int vertical = bytes[1];
    if (horizontal != 0 && vertical != 0)
        std::snprintf(out, Capacity(outSize), "Horizontal Screen Size = %d cm , Vertical Screen Size = %d cm",
                      horizontal, vertical);
    else if (horizontal != 0)
        std::snprintf(out, Capacity(outSize), "Aspect Ratio (Landscape) = %.2f : 1AR",
                      (horizontal + 99) / 100.0);
    else if (vertical != 0)
        std::snprintf(out, Capacity(outSize), "Aspect Ratio (Portrait) = %.2f : 1AR",
                      100.0 / (vertical + 99));
    else
        std::snprintf(out, Capacity(outSize), "The screen size or aspect ratio are unknown or undefined");
    return 0;
}

int32_t CDdcDecoder::FormatGamma(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount != 8) return -1;
    if (bytes[0] == 0xFF)
        std::snprintf(out, Capacity(outSize), "GAMMA value is stored in an extension block");
    else
        std::snprintf(out, Capacity(outSize), "GAMMA = %.2f", bytes[0] / 100.0 + 1.0);
    return 0;
}

int32_t CDdcDecoder::FormatChromaticity(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount > 16) return -1;
    // A 10-bit binary fraction: the high byte and, when a continued row supplied them, the two
    // low-order bits. A caller that hands over only the high byte gets low bits 0 rather than a
    // read past its value.
    const int lowBits = bitCount > 8 ? (bytes[1] & 3) : 0;
    const int value = bytes[0] * 4 + lowBits;
    // value / 1024 is exact in double precision, so it equals the sum of the set bits' powers of 1/2.
    std::snprintf(out, Capacity(outSize), "%.7f", value / 1024.0);
    return 0;
}

int32_t CDdcDecoder::FormatStandardTiming(char* out, int32_t outSize, const uint8_t* bytes,
                                          int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    // Pixels and refresh-rate fields alternate. In the base block's standard timings the first
    // call is a pixels field; inside a standard-timing descriptor and the standard-timing blocks of
    // the tag-10h extension, call 0 was the header, so pixels fields fall on odd counts.
    const bool inBlockOfTag10 = currentMap == kExtensionTag10Map;
    if (formatterCalls == 0 && !inBlockOfTag10) {
        // Call 0 only ever comes from the base block's own entry: forget a descriptor kind that an
        // earlier read may have left, so the later calls of this entry are not taken for a
        // descriptor's.
        descriptorKind = 0;
    }
    const bool afterHeader = inBlockOfTag10 || descriptorKind == kStandardTimingDescriptor;
    const bool pixelsField = (formatterCalls % 2 == 0) != afterHeader;
    if (pixelsField) {
        if (bytes[0] == 0)
            std::snprintf(out, Capacity(outSize), "Reserved Value");
        else
            std::snprintf(out, Capacity(outSize), "%d", bytes[0] * 8 + 248);
    } else {
        std::snprintf(out, Capacity(outSize), "%d Hz", bytes[0] + 60);
    }
    return 0;
}

int32_t CDdcDecoder::FormatChecksum(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    // checksum already includes this byte: a whole block read from its first byte sums to 0.
    if (checksum == 0)
        std::snprintf(out, Capacity(outSize), "%02Xh", bytes[0]);
    else
        std::snprintf(out, Capacity(outSize), "%02Xh, Error!", bytes[0]);
    return 0;
}

}  // namespace hdmi
