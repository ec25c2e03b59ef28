// The maps of the two extension blocks explained field by field: the video timing block extension
// (tag 10h, "VTB-EXT") and the localized string extension (tag 50h, "LS-EXT"). Byte numbers are
// counted from the entry's first byte; bit 7 is the most significant bit.
//
// Both blocks have sections whose presence and length the block itself states (item counts, string
// lengths). Their entries are optional and repeated: the formatters keep the counts, the section
// mask decides which optional entry is used, and a formatter's non-zero result repeats the entry
// for the next item. An entry that repeats must end each of its branches with a formatter row, as
// the entry's result is the last row's; where the last shown field is a value name, an uncaptioned
// row without format follows that only asks the formatter.
#include <iterator>

#include "ddc/DdcDecoder.h"
#include "edid/EdidMaps.h"
#include "edid/ValueNames.h"

namespace hdmi {
namespace {

constexpr uint32_t kNoFormatter = kFieldNoFormatter;

// Optional entry used when bit `bit` of the section mask is set.
constexpr uint32_t OptionalOnBit(uint32_t bit) {
    return kEntryOptional | (bit << 4);
}
constexpr uint32_t kRepeatedSection = kEntryRepeat | OptionalOnBit(0);

constexpr FieldDescriptor Support(const char* name, int byte, int bit) {
    return Field(name).Bits(byte, bit, bit).Format("%s").Names(names::kSupport).Flags(kNoFormatter);
}

// A row that shows nothing and only brings the formatter's result (items left) to the entry.
constexpr FieldDescriptor ItemsLeft(int byte) {
    return Field().Bits(byte, 0, 0);
}

constexpr uint32_t kDigitalSync = 0xF0;
constexpr uint32_t kSeparateSync = 0xF1;

// Tables keep one row per line, however long, so that they read like the block layout.
// clang-format off

// ==== Tag 10h: video timing block extension ========================================================
// Bytes 0..4 header and counts, then the detailed timing blocks (18 bytes each), the CVT
// descriptors (3 bytes each), the standard timings (2 bytes each), unused bytes, checksum at 127.

constexpr FieldDescriptor kVtbHeaderFields[] = {
    Field("VTB-EXT block").Byte(0).Format("(Tag 0x%02Xh)"),
    Field("Version").Byte(1).Format("%02Xh"),
    EndTable(),
};
static_assert(ValidFieldTable(kVtbHeaderFields) && FieldsInsideEntry(kVtbHeaderFields, 2));

constexpr FieldDescriptor kVtbCountFields[] = {
    Field("Detailed Timing Blocks").Byte(0).Format("%s"),
    Field("Coordinated Video Timings (CVT) Descriptions").Byte(1).Format("%s"),
    Field("Standard Timings Descriptions").Byte(2).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kVtbCountFields) && FieldsInsideEntry(kVtbCountFields, 3));

// Indexed by bits 6..5 of byte 17 times two plus bit 0, as in the base block's timings.
constexpr const char* kVtbStereoNames[] = {
    "Normal display, no stereo.",
    "Normal display, no stereo.",
    "Field sequential stereo, right image when stereo sync. = 1",
    "2-way interleaved stereo, right image on even lines",
    "Field sequential stereo, left image when stereo sync. = 1",
    "2-way interleaved stereo, left image on even lines",
    "4-way interleaved stereo",
    "Side-by-Side interleaved stereo",
};
constexpr const char* kVtbInterlaceNames[] = {" non-", " "};
constexpr const char* kVtbBipolarNames[] = {"", "Bipolar "};
static_assert(std::size(kVtbStereoNames) == 8);

// One detailed timing block, laid out as the base block's 18-byte timings. The formatter's call 0
// numbers the block; each value is a low part continued by its high bits.
constexpr FieldDescriptor kVtbTimingFields[] = {
    Field("Detailed Timing Blocks").Byte(0).Format("#%s"),
    Field("Pixel clock").Byte(0).Format("%s MHz").Flags(kFieldContinued),
    Field().Byte(1),
    Field("Horizontal Active (HA) Pixels").Byte(2).Format("%s").Flags(kFieldContinued),
    Field().Bits(4, 7, 4),
    Field("Horizontal Blanking (HBL) Pixels").Byte(3).Format("%s").Flags(kFieldContinued),
    Field().Bits(4, 3, 0),
    Field("Vertical Active (VA) Pixels").Byte(5).Format("%s").Flags(kFieldContinued),
    Field().Bits(7, 7, 4),
    Field("Vertical Blanking (VBL) Pixels").Byte(6).Format("%s").Flags(kFieldContinued),
    Field().Bits(7, 3, 0),
    Field("Horizontal Sync. Offset (HSO)").Byte(8).Format("%s").Flags(kFieldContinued),
    Field().Bits(11, 7, 6),
    Field("Horizontal Sync Pulse Width (HSPW)").Byte(9).Format("%s").Flags(kFieldContinued),
    Field().Bits(11, 5, 4),
    Field("Vertical Sync Offset (VSO)").Bits(10, 7, 4).Format("%s").Flags(kFieldContinued),
    Field().Bits(11, 3, 2),
    Field("Vertical Sync Pulse Width (VSPW)").Bits(10, 3, 0).Format("%s").Flags(kFieldContinued),
    Field().Bits(11, 1, 0),
    Field("Horizontal Image Size (HIS)").Byte(12).Format("%s").Flags(kFieldContinued),
    Field().Bits(14, 7, 4),
    Field("Vertical Image Size (VIS)").Byte(13).Format("%s").Flags(kFieldContinued),
    Field().Bits(14, 3, 0),
    Field("Horizontal Border").Byte(15).Format("%d Pixels").Flags(kNoFormatter),
    Field("Vertical Border").Byte(16).Format("%d Lines").Flags(kNoFormatter),
    // Byte 17: interlace, stereo, then the sync definition: analog, digital composite, digital separate.
    Field().Bits(17, 7, 7).Format("%sInterlaced").Names(kVtbInterlaceNames).Flags(kNoFormatter),
    Field().Bits(17, 6, 5).Format("%s").Names(kVtbStereoNames).Flags(kNoFormatter | kFieldContinued),
    Field().Bits(17, 0, 0),
    Field().Bits(17, 4, 4).Flags(kNoFormatter).JumpTo(kJumpIfValue, kDigitalSync),
    Field().Bits(17, 3, 3).Format("%sAnalog").Names(kVtbBipolarNames).Flags(kNoFormatter),
    Field("Serrate").Bits(17, 2, 2).Format("%d").Flags(kNoFormatter),
    Field("Sync On").Bits(17, 1, 1).Format("%s"),
    EndSection(),
    Field("Digital").Bits(17, 3, 3).Flags(kNoFormatter).JumpTo(kJumpIfValue, kSeparateSync).Label(kDigitalSync),
    Field("Composite Polarity").Bits(17, 1, 1).Format("%s").Names(names::kPolarity).Flags(kNoFormatter),
    ItemsLeft(17),
    EndSection(),
    Field("Vertical Polarity").Bits(17, 2, 2).Format("%s").Names(names::kPolarity).Flags(kNoFormatter).Label(kSeparateSync),
    Field("Horizontal Polarity").Bits(17, 1, 1).Format("%s").Names(names::kPolarity).Flags(kNoFormatter),
    ItemsLeft(17),
    EndSection(),
    EndTable(),
};
static_assert(ValidFieldTable(kVtbTimingFields) && FieldsInsideEntry(kVtbTimingFields, 18));

// One CVT descriptor, three bytes: 12 bits of lines (byte 0 and the high nibble of byte 1), the
// aspect ratio, reserved bits, then the preferred and the supported refresh rates in byte 2.
constexpr const char* kVtbCvtAspectNames[] = {"4:3", "16:9", "16:10"};

constexpr FieldDescriptor kVtbCvtFields[] = {
    Field("Coordinated Video Timing Descriptor").Byte(0).Format("#%s"),
    Field("Active Vertical Lines").Byte(0).Format("%s").Flags(kFieldContinued),
    Field().Bits(1, 7, 4),
    Field("Aspect Radio").Bits(1, 3, 2).Format("%s").Names(kVtbCvtAspectNames).Flags(kNoFormatter),
    Field("Reserved, 2 Bits").Bits(1, 1, 0).Format("(0x%01Xh)").Flags(kNoFormatter),
    Field("Reserved, 1 Bits").Bits(2, 7, 7).Format("(0x%01Xh)").Flags(kNoFormatter),
    Field("Preferred Refresh Rate").Bits(2, 6, 5).Format("%s Hz").Names(names::kCvtPreferredRate).Flags(kNoFormatter),
    Support("50Hz refresh rate with standard blanking", 2, 4),
    Support("60Hz refresh rate with standard blanking", 2, 3),
    Support("75Hz refresh rate with standard blanking", 2, 2),
    Support("85Hz refresh rate with standard blanking", 2, 1),
    Support("60Hz Reduced Blanking timing", 2, 0),
    ItemsLeft(2),
    EndTable(),
};
static_assert(ValidFieldTable(kVtbCvtFields) && FieldsInsideEntry(kVtbCvtFields, 3));

// One standard timing, two bytes; the formatter's call 0 numbers it, so pixels come on odd calls.
constexpr FieldDescriptor kVtbStandardTimingFields[] = {
    Field("Standard Timing Descriptor").Byte(0).Format("#%s"),
    Field("Horizontal addressable pixels").Byte(0).Format("%s"),
    Field("Image Aspect Ratio").Bits(1, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kNoFormatter),
    Field("Field Refresh Rate").Bits(1, 5, 0).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kVtbStandardTimingFields) && FieldsInsideEntry(kVtbStandardTimingFields, 2));

// ==== Both blocks: unused bytes and the checksum ===================================================
constexpr FieldDescriptor kUnusedByteFields[] = {
    Field("Unused Byte").Byte(0).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kUnusedByteFields) && FieldsInsideEntry(kUnusedByteFields, 1));

constexpr FieldDescriptor kChecksumFields[] = {
    Field("CheckSum").Byte(0).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kChecksumFields) && FieldsInsideEntry(kChecksumFields, 1));

// ==== Tag 50h: localized string extension ==========================================================
// Bytes 0..4 header, 5 string table size, 6 string format, 7..10 country and language codes, then
// three strings (manufacturer, model, serial number), each a length byte and its bytes.

// The block's first row clears the descriptor kind and the saved value that earlier blocks left:
// the string-table arithmetic starts from them.
constexpr FieldDescriptor kLsHeaderFields[] = {
    Field("LS-EXT block").Byte(0).Format("Tag 0x%02Xh").Flags(kFieldResetState),
    Field("Version").Byte(1).Format("%02Xh"),
    Field("Revision").Byte(2).Format("%02Xh"),
    Field("Unicode Version").Byte(3),
    Field("Major").Bits(3, 3, 0).Format("%d"),
    Field("Minor").Bits(3, 7, 4).Format("%d"),
    Field("Update").Byte(4).Format("%d"),
    EndTable(),
};
static_assert(ValidFieldTable(kLsHeaderFields) && FieldsInsideEntry(kLsHeaderFields, 5));

constexpr FieldDescriptor kStringTableSizeFields[] = {
    Field("String Table Size").Byte(0).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kStringTableSizeFields) && FieldsInsideEntry(kStringTableSizeFields, 1));

constexpr const char* kUtfNames[] = {"UTF 8", "UTF 16BE", "UTF 32BE"};

constexpr FieldDescriptor kStringFormatFields[] = {
    Field("Reserved, 5 bits").Bits(0, 7, 3).Format("%02Xh"),
    Field("Unicode Transformation Format type").Bits(0, 2, 0).Format("%s").Names(kUtfNames),
    EndTable(),
};
static_assert(ValidFieldTable(kStringFormatFields) && FieldsInsideEntry(kStringFormatFields, 1));

// Bytes 0..1: two reserved bits and the 14-bit country code; bytes 2..3: one unused bit and three
// 5-bit letters of the language code.
constexpr FieldDescriptor kLanguageFields[] = {
    Field("Reserved, 2 bits").Bits(0, 7, 6).Format("%01Xh").Flags(kNoFormatter),
    Field("Language ID Structure").Bits(2, 6, 2).Format("%s").Flags(kFieldAccumulate),
    Field().Span(2, 1, 5).Format("%s").Flags(kFieldAccumulate),
    Field().Bits(3, 4, 0).Format("%s"),
    Field("ISO 3166-3 Numeric-3 code").Bits(0, 5, 0).Format("%s").Flags(kFieldContinued),
    Field().Byte(1),
    EndTable(),
};
static_assert(ValidFieldTable(kLanguageFields) && FieldsInsideEntry(kLanguageFields, 4));

constexpr FieldDescriptor kManufacturerLengthFields[] = {
    Field("Manufacturer string length").Byte(0).Format("%s"),
    EndTable(),
};
constexpr FieldDescriptor kModelLengthFields[] = {
    Field("Model string length").Byte(0).Format("%s"),
    EndTable(),
};
constexpr FieldDescriptor kSerialLengthFields[] = {
    Field("Serial Number string length").Byte(0).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kManufacturerLengthFields) && ValidFieldTable(kModelLengthFields) &&
              ValidFieldTable(kSerialLengthFields));

// One string byte per report row.
constexpr FieldDescriptor kStringByteFields[] = {
    Field().Byte(0).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kStringByteFields) && FieldsInsideEntry(kStringByteFields, 1));

// clang-format on

}  // namespace

// clang-format off
extern constexpr RegisterEntry kExtensionTag10Map[] = {
    // offset length fields                     formatter                                     flags             skip
    {0x00,  2, kVtbHeaderFields,         nullptr},
    {0x02,  3, kVtbCountFields,          &CDdcDecoder::FormatBlockCounts},
    {0x05, 18, kVtbTimingFields,         &CDdcDecoder::FormatTimingBlock,             kRepeatedSection},
    {0xFF,  3, kVtbCvtFields,            &CDdcDecoder::FormatCvtBlock,                kRepeatedSection},
    {0xFF,  2, kVtbStandardTimingFields, &CDdcDecoder::FormatStandardTimingBlock,     kRepeatedSection},
    {0xFF,  1, kUnusedByteFields,        &CDdcDecoder::FormatUnusedByte,              kRepeatedSection},
    {0x7F,  1, kChecksumFields,          &CDdcDecoder::FormatChecksum},
    {},
};

// After the table size the string-table entries follow in order; a result with bit 2 from the
// size entry would skip them to the unused bytes. The serial number's entry skips by 0: the walk
// leaves it only when its section bit is found clear on arrival.
extern constexpr RegisterEntry kExtensionTag50Map[] = {
    // offset length fields                      formatter                                flags                            skip
    {0x00, 5, kLsHeaderFields,           nullptr},
    {0x05, 1, kStringTableSizeFields,    &CDdcDecoder::FormatStringTableSize,    kEntrySkipOnResult,              9},
    {0x06, 1, kStringFormatFields,       nullptr},
    {0x07, 4, kLanguageFields,           &CDdcDecoder::FormatLanguage},
    {0x0B, 1, kManufacturerLengthFields, &CDdcDecoder::FormatStringLength},
    {0xFF, 1, kStringByteFields,         &CDdcDecoder::FormatStringByte,         kRepeatedSection},
    {0xFF, 1, kModelLengthFields,        &CDdcDecoder::FormatStringLength},
    {0xFF, 1, kStringByteFields,         &CDdcDecoder::FormatStringByte,         kRepeatedSection},
    {0xFF, 1, kSerialLengthFields,       &CDdcDecoder::FormatStringLength},
    {0xFF, 1, kStringByteFields,         &CDdcDecoder::FormatStringByte,         kRepeatedSection | kEntrySkip,  0},
    {0xFF, 1, kUnusedByteFields,         &CDdcDecoder::FormatUnusedByte,         kRepeatedSection},
    {0x7F, 1, kChecksumFields,           &CDdcDecoder::FormatChecksum},
    {},
};
// clang-format on

static_assert(ValidRegisterMap(kExtensionTag10Map) && std::size(kExtensionTag10Map) == 8);
static_assert(ValidRegisterMap(kExtensionTag50Map) && std::size(kExtensionTag50Map) == 13);

}  // namespace hdmi
