// The formatter of the shared 18-byte descriptor table and the range-limit formatter it calls.
// Call 0 of each descriptor decides its kind from bytes 0..3; the later calls of the same entry
// are told apart by descriptorKind and formatterCalls.
#include <cstdio>

#include "ddc/DdcDecoder.h"
#include "edid/FormatterArguments.h"
#include "edid/DescriptorKinds.h"

namespace hdmi {
namespace {


// The kind of a display descriptor (bytes 0 and 1 both 0) by its tag, byte 3.
struct TagKind {
    uint8_t tag;
    DescriptorKind kind;
};
constexpr TagKind kTagKinds[] = {
    {0xFF, kSerialNumberDescriptor},    {0xFE, kDataStringDescriptor}, {0xFD, kRangeLimitsDescriptor},
    {0xFC, kProductNameDescriptor},     {0xFB, kColorPointDescriptor}, {0xFA, kStandardTimingDescriptor},
    {0xF9, kColorManagementDescriptor}, {0xF8, kCvtCodeDescriptor},    {0xF7, kEstablishedTimingsIII},
    {0x10, kDummyDescriptor},
};

DescriptorKind KindOfTag(uint8_t tag) {
    for (const TagKind& entry : kTagKinds)
        if (entry.tag == tag) return entry.kind;
    return tag <= 0x0F ? kManufacturerDescriptor : kReservedTagDescriptor;
}

// The header rows hand over descriptor bytes 0..3.
constexpr int32_t kHeaderBits = 32;

// Range limits: a rate row brings maximum, minimum and the two offset bits.
constexpr int32_t kRateBits = 8 + 8 + 2;

// Video timing support flags of a range-limit descriptor.
constexpr uint32_t kDefaultGtf = 0;
constexpr uint32_t kRangeLimitsOnly = 1;
constexpr uint32_t kSecondaryGtf = 2;
constexpr uint32_t kCvtSupported = 4;
constexpr const char* kTimingSupportNames[] = {
    "Default GTF supported", "Range Limits Only", "Secondary GTF supported", "Reserved", "CVT supported",
};

// A maximum/minimum rate pair with its offset code: code 1 and 3 add 255 to both, code 2 to the
// maximum only. Code 1 and a zero rate byte are errors.
void FormatRates(char* out, int32_t outSize, const uint8_t* bytes, const char* unit) {
    const int code = bytes[2] & 3;
    const int maximum = bytes[0] + (code != 0 ? 255 : 0);
    const int minimum = bytes[1] + (code == 1 || code == 3 ? 255 : 0);
    const bool error = code == 1 || bytes[0] == 0 || bytes[1] == 0;
    std::snprintf(out, Capacity(outSize), "%sMaximum %d%s, Minimum %d%s", error ? "Error! " : "", maximum,
                  unit, minimum, unit);
}

}  // namespace

int32_t CDdcDecoder::FormatDescriptor(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    if (formatterCalls == 0) {
        // A header that did not bring all four bytes is a table fault, not data to guess at.
        if (bitCount < kHeaderBits) return -1;
        const bool displayDescriptor = bytes[0] == 0 && bytes[1] == 0;
        descriptorKind = displayDescriptor ? KindOfTag(bytes[3]) : kDetailedTiming;
        return descriptorKind;
    }
    switch (descriptorKind) {
        case kDetailedTiming:
            if (formatterCalls == 1) {
                // Pixel clock, little-endian in units of 10 kHz.
                const int kHz = (bytes[0] + 256 * (bitCount > 8 ? bytes[1] : 0)) * 10;
                if (kHz < 1000)
                    std::snprintf(out, Capacity(outSize), "%dKHz", kHz);
                else
                    std::snprintf(out, Capacity(outSize), "%fMHz", kHz / 1000.0);
            } else if (bitCount >= 9) {
                std::snprintf(out, Capacity(outSize), "%d", bytes[0] + 256 * bytes[1]);
            } else if (bitCount == 6) {
                // The vertical offsets: a 4-bit low part with a 2-bit high part.
                std::snprintf(out, Capacity(outSize), "%d", bytes[0] + 16 * bytes[1]);
            } else {
                std::snprintf(out, Capacity(outSize), "%d", bytes[0]);
            }
            return 0;
        case kSerialNumberDescriptor:
        case kDataStringDescriptor:
        case kProductNameDescriptor: {
            // One character per call; the table joins them into one row.
            const uint8_t c = bytes[0];
            std::snprintf(out, Capacity(outSize), "%c", c >= 0x20 && c <= 0x7F ? static_cast<char>(c) : '.');
            return 0;
        }
        case kRangeLimitsDescriptor:
            return FormatRangeLimits(out, outSize, bytes, bitCount);
        case kColorPointDescriptor:
            // Per white point: x, y, then the gamma byte.
            if (formatterCalls == 1 || formatterCalls == 2 || formatterCalls == 4 || formatterCalls == 5)
                return FormatChromaticity(out, outSize, bytes, bitCount);
            if (bytes[0] == 0xFF)
                std::snprintf(out, Capacity(outSize),
                              "not defined here. Then GAMMA data shall be stored in an EXTENSION Block");
            else
                std::snprintf(out, Capacity(outSize), "%.2f", (bytes[0] + 100) / 100.0);
            return 0;
        case kStandardTimingDescriptor:
            return FormatStandardTiming(out, outSize, bytes, bitCount);
        case kCvtCodeDescriptor:
            // Addressable lines per field: a 12-bit code n stands for (n + 1) x 2 lines.
            if (bitCount > 8)
                std::snprintf(out, Capacity(outSize), "%d", (bytes[0] + 256 * bytes[1] + 1) * 2);
            return 0;
        default:
            // The other sections take their texts from the table.
            return 0;
    }
}

int32_t CDdcDecoder::FormatRangeLimits(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (BadArguments(out, outSize, bytes) || bitCount < 1) return -1;
    switch (formatterCalls) {
        case 0:
            // The descriptor's header call; the descriptor formatter answers it.
            return 0;
        case 1:
            if (bitCount < kRateBits) return -1;
            FormatRates(out, outSize, bytes, "Hz");
            return 0;
        case 2:
            if (bitCount < kRateBits) return -1;
            FormatRates(out, outSize, bytes, "KHz");
            return 0;
        case 3:
            // Maximum pixel clock in 10 MHz units.
            if (bytes[0] == 0)
                std::snprintf(out, Capacity(outSize), "Reserved Value 00");
            else
                std::snprintf(out, Capacity(outSize), "%d0MHz", bytes[0]);
            return 0;
        case 4: {
            // Video timing support flags, checked against the continuous-frequency bit of base-block
            // byte 18h, which savedValue still holds. The result leads the table into the sub-section
            // that explains bytes 11..17 for this flags value.
            const uint32_t flags = bytes[0];
            subCounter = 0;
            if (flags > kCvtSupported) {
                std::snprintf(out, Capacity(outSize), "Value %02X is Reserved!", flags);
                return 0;
            }
            if (flags == kDefaultGtf && savedValue == 0) {
                std::snprintf(out, Capacity(outSize), "00  18.0h = 0");
            } else {
                const bool mismatch = savedValue != 1 && flags != kRangeLimitsOnly;
                std::snprintf(out, Capacity(outSize), "%s%s", kTimingSupportNames[flags],
                              mismatch ? " Error, Address Byte 18.0h != 1" : "");
            }
            if (flags == kSecondaryGtf) return static_cast<int32_t>(kSecondaryGtfLabel);
            if (flags == kCvtSupported) return static_cast<int32_t>(kCvtSupportLabel);
            return 0;
        }
        default:
            break;
    }
    // The sub-section fields; savedValue now holds the flags value the flags row saved.
    const bool wide = bitCount > 8;
    if (savedValue == kSecondaryGtf) {
        switch (subCounter) {
            case 0:  // start break frequency, 2 kHz units
                std::snprintf(out, Capacity(outSize), "%d", bytes[0] * 2);
                break;
            case 1:  // C, half units
                std::snprintf(out, Capacity(outSize), "%f", bytes[0] * 0.5);
                break;
            case 2:  // M, low byte first
                if (!wide) return -1;
                std::snprintf(out, Capacity(outSize), "%d", bytes[0] + 256 * bytes[1]);
                break;
            case 3:  // J, half units
                std::snprintf(out, Capacity(outSize), "%f", bytes[0] * 0.5);
                break;
            default:
                break;
        }
    } else {
        savedValue = kCvtSupported;
        switch (subCounter) {
            case 0:  // maximum pixel clock less the additional precision in 0.25 MHz steps
                if (!wide) return -1;
                std::snprintf(out, Capacity(outSize), "%f", bytes[0] * 10 - bytes[1] * 0.25);
                break;
            case 1:  // maximum active pixels per line, in units of 8 pixels
                if (!wide) return -1;
                if (bytes[1] == 0)
                    std::snprintf(out, Capacity(outSize), "No limit on the number of Horiz. Active Pixels");
                else
                    std::snprintf(out, Capacity(outSize), "%d", (bytes[0] * 256 + bytes[1]) * 8);
                break;
            default:
                break;
        }
    }
    ++subCounter;
    return 0;
}

}  // namespace hdmi
