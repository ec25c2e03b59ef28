// The map of the EDID base block (128 bytes) and the field tables of its registers. Bit positions
// are written as byte-within-the-entry and bit range, so each row reads next to the byte layout of
// the block: byte 0 of an entry is the byte at the entry's offset. The four 18-byte descriptors
// share kDescriptorFields (DescriptorTable.cpp).
#include <iterator>

#include "ddc/DdcDecoder.h"
#include "edid/EdidMaps.h"
#include "edid/ValueNames.h"

namespace hdmi {
namespace {

// A row that only writes its caption. It still names the bits it stands over, since every row
// must have a width; its value is never shown.
constexpr FieldDescriptor Caption(const char* name, int byte) {
    return Field(name).Byte(byte);
}

// Tables keep one row per line, however long, so that they read like the register layout.
// clang-format off

constexpr const char* kNoYesNames[] = {"No", "Yes"};

// ---- 0x00 Header ------------------------------------------------------------------------------
constexpr FieldDescriptor kHeaderFields[] = {
    Field("Header").Byte(0).Format("%02X").Flags(kFieldAccumulate),
    Field().Byte(1).Format(" %02X").Flags(kFieldAccumulate),
    Field().Byte(2).Format(" %02X").Flags(kFieldAccumulate),
    Field().Byte(3).Format(" %02X").Flags(kFieldAccumulate),
    Field().Byte(4).Format(" %02X").Flags(kFieldAccumulate),
    Field().Byte(5).Format(" %02X").Flags(kFieldAccumulate),
    Field().Byte(6).Format(" %02X").Flags(kFieldAccumulate),
    Field().Byte(7).Format(" %02Xh"),
    EndTable(),
};
static_assert(ValidFieldTable(kHeaderFields) && FieldsInsideEntry(kHeaderFields, 8));

// ---- 0x08 Manufacturer name (three 5-bit letters over two bytes) --------------------------------
constexpr FieldDescriptor kManufacturerFields[] = {
    Field("ID Manufacturer Name").Byte(0).Format("%s").Flags(kFieldContinued),
    Field().Byte(1),
    EndTable(),
};
static_assert(ValidFieldTable(kManufacturerFields) && FieldsInsideEntry(kManufacturerFields, 2));

// ---- 0x0A Product code (little-endian, shown high byte first) -----------------------------------
constexpr FieldDescriptor kProductCodeFields[] = {
    Field("ID Product Code").Byte(1).Format("%02X").Flags(kFieldAccumulate),
    Field().Byte(0).Format(" %02Xh"),
    EndTable(),
};
static_assert(ValidFieldTable(kProductCodeFields) && FieldsInsideEntry(kProductCodeFields, 2));

// ---- 0x0C Serial number (little-endian, shown most significant byte first) ----------------------
constexpr FieldDescriptor kSerialNumberFields[] = {
    Field("ID Serial Number").Byte(3).Format("%02X").Flags(kFieldAccumulate),
    Field().Byte(2).Format(" %02X").Flags(kFieldAccumulate),
    Field().Byte(1).Format(" %02X").Flags(kFieldAccumulate),
    Field().Byte(0).Format(" %02Xh"),
    EndTable(),
};
static_assert(ValidFieldTable(kSerialNumberFields) && FieldsInsideEntry(kSerialNumberFields, 4));

// ---- 0x10 Week and year ---------------------------------------------------------------------------
constexpr FieldDescriptor kWeekYearFields[] = {
    Field("Week and Year of Manufacture or Model Year").Byte(0).Format("%s").Flags(kFieldContinued),
    Field().Byte(1),
    EndTable(),
};
static_assert(ValidFieldTable(kWeekYearFields) && FieldsInsideEntry(kWeekYearFields, 2));

// ---- 0x12 Version, 0x13 Revision ------------------------------------------------------------------
constexpr FieldDescriptor kVersionFields[] = {
    Field("EDID Version Number").Byte(0).Format("%02Xh"),
    EndTable(),
};
static_assert(ValidFieldTable(kVersionFields) && FieldsInsideEntry(kVersionFields, 1));

constexpr FieldDescriptor kRevisionFields[] = {
    Field("EDID Revision Number").Byte(0).Format("%02Xh"),
    EndTable(),
};
static_assert(ValidFieldTable(kRevisionFields) && FieldsInsideEntry(kRevisionFields, 1));

// ---- 0x14 Video input definition ------------------------------------------------------------------
// Bit 7 selects the analog or the digital section and stays saved for the feature byte 0x18.
constexpr const char* kInputInterfaceNames[] = {"Analog", "Digital"};
constexpr const char* kSignalLevelNames[] = {
    "0.700 : 0.300 : 1.000",
    "0.714 : 0.286 : 1.000",
    "1.000 : 0.400 : 1.400",
    "0.700 : 0.000 : 0.700",
};
constexpr const char* kVideoSetupNames[] = {"Blank Level = Black Level", "Blank-to-Black setup or pedestal"};
constexpr const char* kColorBitDepthNames[] = {
    "Undefined",
    "6 Bits per Primary Color",
    "8 Bits per Primary Color",
    "10 Bits per Primary Color",
    "12 Bits per Primary Color",
    "14 Bits per Primary Color",
    "16 Bits per Primary Color",
};
constexpr const char* kDigitalInterfaceNames[] = {
    "Not defined",
    "DVI is supported",
    "HDMI-a is supported",
    "HDMI-b is supported",
    "MDDI is supported",
    "DisplayPort is supported",
};
static_assert(std::size(kColorBitDepthNames) == 7 && std::size(kDigitalInterfaceNames) == 6);

constexpr uint32_t kDigitalInput = 0xF0;

constexpr FieldDescriptor kVideoInputFields[] = {
    Field("Input Video Signal Interface").Bits(0, 7, 7).Format("%s").Names(kInputInterfaceNames).Flags(kFieldNoFormatter | kFieldSaveValue).JumpTo(kJumpIfValue, kDigitalInput),
    Field("Signal Level Standard: Video : Sync : Total").Bits(0, 6, 5).Format("%s").Names(kSignalLevelNames),
    Field("Video Setup").Bits(0, 4, 4).Format("%s").Names(kVideoSetupNames),
    Field("Separate Sync H & V Signals").Bits(0, 3, 3).Format("%s").Names(names::kSupport),
    Field("Composite Sync Signal on Horizontal").Bits(0, 2, 2).Format("%s").Names(names::kSupport),
    Field("Composite Sync Signal on Green Video").Bits(0, 1, 1).Format("%s").Names(names::kSupport),
    Field("Serration on the Vertical Sync").Bits(0, 0, 0).Format("%s").Names(names::kSupport),
    EndSection(),
    Field("Color Bit Depth").Bits(0, 6, 4).Format("%s").Names(kColorBitDepthNames).Label(kDigitalInput),
    Field("Digital Video Interface Standard Supported").Bits(0, 3, 0).Format("%s").Names(kDigitalInterfaceNames),
    EndTable(),
};
static_assert(ValidFieldTable(kVideoInputFields) && FieldsInsideEntry(kVideoInputFields, 1));

// ---- 0x15 Screen size or aspect ratio ---------------------------------------------------------------
constexpr FieldDescriptor kScreenSizeFields[] = {
    Field("Horizontal and Vertical Screen Size or Aspect Ratio").Byte(0).Format("%s").Flags(kFieldContinued),
    Field().Byte(1),
    EndTable(),
};
static_assert(ValidFieldTable(kScreenSizeFields) && FieldsInsideEntry(kScreenSizeFields, 2));

// ---- 0x17 Gamma -----------------------------------------------------------------------------------
constexpr FieldDescriptor kGammaFields[] = {
    Field("Display Transfer Characteristics (GAMMA)").Byte(0).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kGammaFields) && FieldsInsideEntry(kGammaFields, 1));

// ---- 0x18 Feature support -------------------------------------------------------------------------
// The jump tests the input bit saved by 0x14 before this row saves its own bit 0, which the
// range-limit descriptor reads later.
constexpr const char* kDefaultColorSpaceNames[] = {"Not ", ""};
constexpr const char* kColorTypeNames[] = {
    "Monochrome or Grayscale display",
    "RGB color display",
    "Non-RGB color display",
    "Display Color Type is Undefined",
};
constexpr const char* kColorEncodingNames[] = {
    "",
    " & YCrCb 4:4:4",
    " & YCrCb 4:2:2",
    " & YCrCb 4:4:4 & YCrCb 4:2:2",
};

constexpr uint32_t kDigitalFeatures = 0xF0;

constexpr FieldDescriptor kFeatureFields[] = {
    Field("Standby Mode").Bits(0, 7, 7).Format("%s").Names(names::kSupport),
    Field("Suspend Mode").Bits(0, 6, 6).Format("%s").Names(names::kSupport),
    Field("Active Off = Very Low Power").Bits(0, 5, 5).Format("%s").Names(names::kSupport),
    Field("sRGB Standard").Bits(0, 2, 2).Format("%sDefault color space").Names(kDefaultColorSpaceNames),
    Field("Preferred Timing Mode includes the native pixel format and preferred refresh rate of the display device").Bits(0, 1, 1).Format("%s").Names(kNoYesNames),
    Field("Display is continuous frequency").Bits(0, 0, 0).Format("%s").Names(kNoYesNames).JumpTo(kJumpIfSaved, kDigitalFeatures).Flags(kFieldSaveValue),
    Field("Display Color Type").Bits(0, 4, 3).Format("%s").Names(kColorTypeNames),
    EndSection(),
    Field("Supported Color Encoding Format").Bits(0, 4, 3).Format("RGB 4:4:4%s").Names(kColorEncodingNames).Label(kDigitalFeatures),
    EndTable(),
};
static_assert(ValidFieldTable(kFeatureFields) && FieldsInsideEntry(kFeatureFields, 1));

// ---- 0x19 Colour characteristics ------------------------------------------------------------------
// Each value is a high byte (0x1B..0x22) continued by its two low-order bits (0x19, 0x1A); a pair
// of values shares one report row.
constexpr FieldDescriptor kColorFields[] = {
    Caption("Color Characteristic", 0).Flags(kFieldNoFormatter),
    Field("    Red_x, Red_y").Byte(2).Format("%s").Flags(kFieldContinued | kFieldAccumulate),
    Field().Bits(0, 7, 6),
    Field().Byte(3).Format(", %s").Flags(kFieldContinued),
    Field().Bits(0, 5, 4),
    Field("    Green_x, Green_y").Byte(4).Format("%s").Flags(kFieldContinued | kFieldAccumulate),
    Field().Bits(0, 3, 2),
    Field().Byte(5).Format(", %s").Flags(kFieldContinued),
    Field().Bits(0, 1, 0),
    Field("    Blue_x,  Blue_y").Byte(6).Format("%s").Flags(kFieldContinued | kFieldAccumulate),
    Field().Bits(1, 7, 6),
    Field().Byte(7).Format(", %s").Flags(kFieldContinued),
    Field().Bits(1, 5, 4),
    Field("    White_x, White_y").Byte(8).Format("%s").Flags(kFieldContinued | kFieldAccumulate),
    Field().Bits(1, 3, 2),
    Field().Byte(9).Format(", %s").Flags(kFieldContinued),
    Field().Bits(1, 1, 0),
    EndTable(),
};
static_assert(ValidFieldTable(kColorFields) && FieldsInsideEntry(kColorFields, 10));

// ---- 0x23 Established and manufacturer's timings ----------------------------------------------------
constexpr FieldDescriptor kEstablishedTimingFields[] = {
    Caption("Established Timing I", 0),
    Field("    720 x 400 @ 70Hz, Source:IBM, VGA").Bits(0, 7, 7).Format("%s").Names(names::kSupport),
    Field("    720 x 400 @ 88Hz, Source:IBM, XGA2").Bits(0, 6, 6).Format("%s").Names(names::kSupport),
    Field("    640 x 480 @ 60Hz, Source:IBM, VGA").Bits(0, 5, 5).Format("%s").Names(names::kSupport),
    Field("    640 x 480 @ 67Hz, Source:Apple, Mac II").Bits(0, 4, 4).Format("%s").Names(names::kSupport),
    Field("    640 x 480 @ 72Hz, Source:VESA").Bits(0, 3, 3).Format("%s").Names(names::kSupport),
    Field("    640 x 480 @ 75Hz, Source:VESA").Bits(0, 2, 2).Format("%s").Names(names::kSupport),
    Field("    800 x 600 @ 56Hz, Source:VESA").Bits(0, 1, 1).Format("%s").Names(names::kSupport),
    Field("    800 x 600 @ 60Hz, Source:VESA").Bits(0, 0, 0).Format("%s").Names(names::kSupport),
    Caption("Established Timing II", 1),
    Field("    800 x 600 @ 72Hz, Source:VESA").Bits(1, 7, 7).Format("%s").Names(names::kSupport),
    Field("    800 x 600 @ 75Hz, Source:VESA").Bits(1, 6, 6).Format("%s").Names(names::kSupport),
    Field("    832 x 624 @ 75Hz, Source:Apple, Mac II").Bits(1, 5, 5).Format("%s").Names(names::kSupport),
    Field("    1024 x 768 @ 87Hz(I), Source:IBM - Interlaced").Bits(1, 4, 4).Format("%s").Names(names::kSupport),
    Field("    1024 x 768 @ 60Hz, Source:VESA").Bits(1, 3, 3).Format("%s").Names(names::kSupport),
    Field("    1024 x 768 @ 70Hz, Source:VESA").Bits(1, 2, 2).Format("%s").Names(names::kSupport),
    Field("    1024 x 768 @ 75Hz, Source:VESA").Bits(1, 1, 1).Format("%s").Names(names::kSupport),
    Field("    1280 x 1024 @ 75Hz, Source:VESA").Bits(1, 0, 0).Format("%s").Names(names::kSupport),
    Caption("Manufacturer's Timings", 2),
    Field("    1152 x 870 @ 75Hz, Source:Apple, Mac II").Bits(2, 7, 7).Format("%s").Names(names::kSupport),
    Field("Reserved, 7Bits").Bits(2, 6, 0).Format("%02Xh"),
    EndTable(),
};
static_assert(ValidFieldTable(kEstablishedTimingFields) && FieldsInsideEntry(kEstablishedTimingFields, 3));

// ---- 0x26 Standard timings 1..8 (two bytes each) -----------------------------------------------------
// The formatter alternates pixels and refresh-rate fields by its call count; the caption rows and
// the aspect ratio bypass it so that the count stays even for pixels.

constexpr FieldDescriptor kStandardTimingFields[] = {
    Caption("Standard Timing 1", 0).Flags(kFieldNoFormatter),
    Field("    Horizontal addressable pixels").Byte(0).Format("%s"),
    Field("    Image Aspect Ratio").Bits(1, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kFieldNoFormatter),
    Field("    Field Refresh Rate").Bits(1, 5, 0).Format("%s"),
    Caption("Standard Timing 2", 2).Flags(kFieldNoFormatter),
    Field("    Horizontal addressable pixels").Byte(2).Format("%s"),
    Field("    Image Aspect Ratio").Bits(3, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kFieldNoFormatter),
    Field("    Field Refresh Rate").Bits(3, 5, 0).Format("%s"),
    Caption("Standard Timing 3", 4).Flags(kFieldNoFormatter),
    Field("    Horizontal addressable pixels").Byte(4).Format("%s"),
    Field("    Image Aspect Ratio").Bits(5, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kFieldNoFormatter),
    Field("    Field Refresh Rate").Bits(5, 5, 0).Format("%s"),
    Caption("Standard Timing 4", 6).Flags(kFieldNoFormatter),
    Field("    Horizontal addressable pixels").Byte(6).Format("%s"),
    Field("    Image Aspect Ratio").Bits(7, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kFieldNoFormatter),
    Field("    Field Refresh Rate").Bits(7, 5, 0).Format("%s"),
    Caption("Standard Timing 5", 8).Flags(kFieldNoFormatter),
    Field("    Horizontal addressable pixels").Byte(8).Format("%s"),
    Field("    Image Aspect Ratio").Bits(9, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kFieldNoFormatter),
    Field("    Field Refresh Rate").Bits(9, 5, 0).Format("%s"),
    Caption("Standard Timing 6", 10).Flags(kFieldNoFormatter),
    Field("    Horizontal addressable pixels").Byte(10).Format("%s"),
    Field("    Image Aspect Ratio").Bits(11, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kFieldNoFormatter),
    Field("    Field Refresh Rate").Bits(11, 5, 0).Format("%s"),
    Caption("Standard Timing 7", 12).Flags(kFieldNoFormatter),
    Field("    Horizontal addressable pixels").Byte(12).Format("%s"),
    Field("    Image Aspect Ratio").Bits(13, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kFieldNoFormatter),
    Field("    Field Refresh Rate").Bits(13, 5, 0).Format("%s"),
    Caption("Standard Timing 8", 14).Flags(kFieldNoFormatter),
    Field("    Horizontal addressable pixels").Byte(14).Format("%s"),
    Field("    Image Aspect Ratio").Bits(15, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kFieldNoFormatter),
    Field("    Field Refresh Rate").Bits(15, 5, 0).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kStandardTimingFields) && FieldsInsideEntry(kStandardTimingFields, 16));

// ---- 0x7E Extension flag, 0x7F Checksum ---------------------------------------------------------------
constexpr FieldDescriptor kExtensionFlagFields[] = {
    Field("Extention Flag").Byte(0).Format("%02Xh"),
    EndTable(),
};
static_assert(ValidFieldTable(kExtensionFlagFields) && FieldsInsideEntry(kExtensionFlagFields, 1));

constexpr FieldDescriptor kChecksumFields[] = {
    Field("CheckSum").Byte(0).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kChecksumFields) && FieldsInsideEntry(kChecksumFields, 1));

// clang-format on

}  // namespace

// ---- The map ------------------------------------------------------------------------------------------
// Every entry has flags 0 and skip 0: a read walks the entries in order.
// clang-format off
extern constexpr RegisterEntry kBaseBlockMap[] = {
    // offset length fields                  formatter
    {0x00,  8, kHeaderFields,             nullptr},
    {0x08,  2, kManufacturerFields,       &CDdcDecoder::FormatManufacturerName},
    {0x0A,  2, kProductCodeFields,        nullptr},
    {0x0C,  4, kSerialNumberFields,       nullptr},
    {0x10,  2, kWeekYearFields,           &CDdcDecoder::FormatWeekYear},
    {0x12,  1, kVersionFields,            nullptr},
    {0x13,  1, kRevisionFields,           nullptr},
    {0x14,  1, kVideoInputFields,         nullptr},
    {0x15,  2, kScreenSizeFields,         &CDdcDecoder::FormatScreenSize},
    {0x17,  1, kGammaFields,              &CDdcDecoder::FormatGamma},
    {0x18,  1, kFeatureFields,            nullptr},
    {0x19, 10, kColorFields,              &CDdcDecoder::FormatChromaticity},
    {0x23,  3, kEstablishedTimingFields,  nullptr},
    {0x26, 16, kStandardTimingFields,     &CDdcDecoder::FormatStandardTiming},
    {0x36, 18, kDescriptorFields,         &CDdcDecoder::FormatDescriptor},
    {0x48, 18, kDescriptorFields,         &CDdcDecoder::FormatDescriptor},
    {0x5A, 18, kDescriptorFields,         &CDdcDecoder::FormatDescriptor},
    {0x6C, 18, kDescriptorFields,         &CDdcDecoder::FormatDescriptor},
    {0x7E,  1, kExtensionFlagFields,      nullptr},
    {0x7F,  1, kChecksumFields,           &CDdcDecoder::FormatChecksum},
    {},
};
// clang-format on
static_assert(ValidRegisterMap(kBaseBlockMap) && std::size(kBaseBlockMap) == 21);

namespace {
// The entries tile the block: each starts where the one before it ends, the last ends at 128.
constexpr bool EntriesTileBlock(const RegisterEntry* entries) {
    uint32_t next = 0;
    for (; entries->length != 0; ++entries) {
        if (entries->offset != next) return false;
        next += static_cast<uint32_t>(entries->length);
    }
    return next == 128;
}
}  // namespace
static_assert(EntriesTileBlock(kBaseBlockMap));

}  // namespace hdmi
