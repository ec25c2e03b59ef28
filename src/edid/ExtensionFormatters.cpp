// Formatters of the extension-block maps: the timing extension (tag 10h) and the localized-string
// extension (tag 50h). Both keep their bookkeeping in the decoder's shared members:
//   descriptorKind  a packed counter: bits 16..23 detailed timing blocks left, bits 8..15 CVT
//                   descriptors left, bits 0..7 standard timings or string bytes left, bits 24..31
//                   bytes left over after the sections;
//   subCounter      item numbers: bits 0..7 detailed timing blocks, bits 8..15 CVT descriptors,
//                   bits 16..31 standard timings; or the string bytes shown so far;
//   sectionMask     which optional entries to come are used (bit 0 for the next one; the driver
//                   shifts it right for every optional entry it passes over).
// A formatter's non-zero result keeps its repeated entry active for the next item.
#include <cstdio>

#include "ddc/DdcDecoder.h"
#include "edid/FormatterArguments.h"

namespace hdmi {
namespace {

// ---- The packed counter -----------------------------------------------------------------------
constexpr int kTimingCount = 16;
constexpr int kCvtCount = 8;
constexpr int kItemCount = 0;  // standard timings (tag 10h) or string bytes (tag 50h)
constexpr int kLeftOver = 24;

uint32_t CountAt(int32_t packed, int shift) {
    return (static_cast<uint32_t>(packed) >> shift) & 0xFFu;
}

int32_t WithCount(int32_t packed, int shift, uint32_t count) {
    const uint32_t cleared = static_cast<uint32_t>(packed) & ~(0xFFu << shift);
    return static_cast<int32_t>(cleared | ((count & 0xFFu) << shift));
}

// ---- Tag 10h: sections in block order -----------------------------------------------------------
// The block counts are subtracted from the 122 bytes after the header as numbers of items; an
// item takes this many bytes more, which its section's formatter takes off the left-over count
// when it starts the item.
constexpr uint32_t kTimingExtraBytes = 18 - 1;
constexpr uint32_t kCvtExtraBytes = 3 - 1;
constexpr uint32_t kStandardTimingExtraBytes = 2 - 1;
constexpr uint32_t kTag10Bytes = 122;  // bytes 5..126

constexpr int kTag10Sections[] = {kTimingCount, kCvtCount, kItemCount, kLeftOver};

// The section mask for the sections after `section`: one bit each, the next one in bit 0.
uint32_t PresenceAfter(int32_t packed, int section) {
    uint32_t mask = 0;
    int bit = -1;
    for (int shift : kTag10Sections) {
        if (bit >= 0 && CountAt(packed, shift) != 0) mask |= 1u << bit;
        if (bit >= 0 || shift == section) ++bit;
    }
    return mask;
}

// Starts one item of a tag-10h section: one item fewer, the item's extra bytes off the left-over
// count, and after the section's last item the mask of the sections that follow, so that one
// without items is passed over.
void StartItem(int32_t& packed, uint32_t& sectionMask, int section, uint32_t extraBytes) {
    const uint32_t items = CountAt(packed, section);
    if (items != 0) packed = WithCount(packed, section, items - 1);
    const uint32_t leftOver = CountAt(packed, kLeftOver);
    packed = WithCount(packed, kLeftOver, leftOver > extraBytes ? leftOver - extraBytes : 0);
    if (CountAt(packed, section) == 0) sectionMask = PresenceAfter(packed, section);
}

// ---- Tag 50h ----------------------------------------------------------------------------------
// The string-table arithmetic counts from 113: the 122 bytes after the header less the nine fixed
// bytes of one table (its size, format, four code bytes and three string lengths). A table's size
// byte counts those nine as well, so they are given back to the bytes left over after it.
constexpr int kTag50Bytes = 113;
constexpr uint32_t kStringTableFixedBytes = 9;
constexpr uint32_t kStringTablePresent = 32;
constexpr uint32_t kNextEntryBit = 1;
constexpr uint32_t kEntryAfterNextBit = 2;

}  // namespace

int32_t CDdcDecoder::FormatBlockCounts(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    // Called for the three count bytes in block order: detailed timing blocks, CVT descriptors,
    // standard timings; each shifts the counts before it up by one byte.
    if (formatterCalls == 0) descriptorKind = 0;
    const uint32_t kind = (static_cast<uint32_t>(descriptorKind) << 8) | bytes[0];
    descriptorKind = static_cast<int32_t>(kind);
    savedValue = 0xFFFFFFFFu;
    std::snprintf(out, Capacity(outSize), "%d", bytes[0]);
    sectionMask = (kind >= 0x10000 ? 1u : 0u) | (kind >= 0x100 ? 2u : 0u) | (kind != 0 ? 4u : 0u);
    if (formatterCalls >= 2) {
        const int leftOver =
            static_cast<int>(kTag10Bytes) -
            static_cast<int>(CountAt(descriptorKind, kTimingCount) + CountAt(descriptorKind, kCvtCount) +
                             CountAt(descriptorKind, kItemCount));
        if (leftOver < 0) {
            // The counts cannot be right: every byte is shown as unused.
            descriptorKind = static_cast<int32_t>(kTag10Bytes);
            sectionMask = 8;
        } else if (leftOver > 0) {
            sectionMask |= 8;
            descriptorKind = WithCount(descriptorKind, kLeftOver, static_cast<uint32_t>(leftOver));
        }
    }
    subCounter = 0;
    return 0;
}

int32_t CDdcDecoder::FormatTimingBlock(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    if (formatterCalls == 0) {
        subCounter += 1;
        std::snprintf(out, Capacity(outSize), "%d", subCounter & 0xFF);
        StartItem(descriptorKind, sectionMask, kTimingCount, kTimingExtraBytes);
    } else if (bitCount == 16) {
        // Pixel clock in units of 10 kHz, shown in MHz.
        std::snprintf(out, Capacity(outSize), "%.2f", (bytes[0] + 256 * bytes[1]) / 100.0);
    } else if (bitCount >= 9) {
        std::snprintf(out, Capacity(outSize), "%d", bytes[0] + 256 * bytes[1]);
    } else {
        std::snprintf(out, Capacity(outSize), "%d", bytes[0]);
    }
    return CountAt(descriptorKind, kTimingCount) != 0;
}

int32_t CDdcDecoder::FormatCvtBlock(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    if (formatterCalls == 0) {
        subCounter += 1 << 8;
        std::snprintf(out, Capacity(outSize), "%d", (subCounter >> 8) & 0xFF);
        StartItem(descriptorKind, sectionMask, kCvtCount, kCvtExtraBytes);
    } else {
        std::snprintf(out, Capacity(outSize), "%d", bytes[0] + 256 * (bitCount > 8 ? bytes[1] : 0));
    }
    return CountAt(descriptorKind, kCvtCount) != 0;
}

int32_t CDdcDecoder::FormatStandardTimingBlock(char* out, int32_t outSize, const uint8_t* bytes,
                                               int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    if (formatterCalls == 0) {
        subCounter += 1 << 16;
        std::snprintf(out, Capacity(outSize), "%d", (subCounter >> 16) & 0xFFFF);
        StartItem(descriptorKind, sectionMask, kItemCount, kStandardTimingExtraBytes);
    } else {
        const int32_t result = FormatStandardTiming(out, outSize, bytes, bitCount);
        if (result < 0) return result;
    }
    return CountAt(descriptorKind, kItemCount) != 0;
}

int32_t CDdcDecoder::FormatUnusedByte(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    if (bytes[0] == 0) {
        std::snprintf(out, Capacity(outSize), "00");
        savedValue = 0;
    } else {
        std::snprintf(out, Capacity(outSize), "Unused Byte access, Value(%02Xh)", bytes[0]);
    }
    const uint32_t leftOver = CountAt(descriptorKind, kLeftOver);
    if (leftOver != 0)
        descriptorKind = WithCount(descriptorKind, kLeftOver, leftOver - 1);
    else if (descriptorKind > 0)
        --descriptorKind;  // counts that did not fit the block left the whole block as one count
    return descriptorKind != 0;
}

int32_t CDdcDecoder::FormatStringTableSize(char* out, int32_t outSize, const uint8_t* bytes,
                                           int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    // savedValue sums the sizes of the string tables before this one.
    const int leftOver = kTag50Bytes - static_cast<int>(savedValue & 0xFF) - bytes[0];
    if (leftOver < 0) {
        if (savedValue == 0) descriptorKind = WithCount(descriptorKind, kLeftOver, kTag50Bytes);
        return 1;
    }
    if (leftOver == 0) return 1;
    sectionMask = kStringTablePresent;
    descriptorKind =
        WithCount(descriptorKind, kLeftOver, static_cast<uint32_t>(leftOver) + kStringTableFixedBytes);
    savedValue += bytes[0];
    std::snprintf(out, Capacity(outSize), "%d", bytes[0]);
    return 0;
}

int32_t CDdcDecoder::FormatLanguage(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    if (bitCount > 8) {
        // The country code.
        std::snprintf(out, Capacity(outSize), "%d", bytes[0] * 256 + bytes[1]);
    } else if (bytes[0] == 0) {
        std::snprintf(out, Capacity(outSize), " ");
    } else if (bytes[0] <= 26) {
        // One letter of the language code, 1 = 'A'.
        std::snprintf(out, Capacity(outSize), "%c", static_cast<char>(bytes[0] + 64));
    } else {
        std::snprintf(out, Capacity(outSize), " %02Xh ", bytes[0]);
    }
    return 0;
}

int32_t CDdcDecoder::FormatStringLength(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    descriptorKind |= bytes[0];
    // Bit 0: the string's bytes follow. Bit 1 serves when they do not: the driver then passes over
    // the string entry, shifting the mask, and the left-over bytes decide the entry after it.
    sectionMask &= ~(kNextEntryBit | kEntryAfterNextBit);
    if (bytes[0] != 0) sectionMask |= kNextEntryBit;
    if (CountAt(descriptorKind, kLeftOver) != 0) sectionMask |= kEntryAfterNextBit;
    std::snprintf(out, Capacity(outSize), "%d", bytes[0]);
    subCounter = 0;
    return 0;
}

int32_t CDdcDecoder::FormatStringByte(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    const uint32_t left = CountAt(descriptorKind, kItemCount);
    if (left != 0) descriptorKind = WithCount(descriptorKind, kItemCount, left - 1);
    subCounter += 1;
    std::snprintf(out, Capacity(outSize), "%02X%s", bytes[0], subCounter % 2 == 0 ? " " : "");
    const bool more = CountAt(descriptorKind, kItemCount) != 0;
    // After the string's last byte the entry that follows is used when bytes are left over.
    if (!more) {
        sectionMask &= ~kNextEntryBit;
        if (CountAt(descriptorKind, kLeftOver) != 0) sectionMask |= kNextEntryBit;
    }
    return more;
}

}  // namespace hdmi
