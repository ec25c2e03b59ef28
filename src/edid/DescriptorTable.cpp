// The field table shared by the four 18-byte descriptors of the base block. Byte numbers count
// from the descriptor's first byte (0..17), bit 7 is the most significant bit.
//
// The header rows hand bytes 0..3 to FormatDescriptor, whose result is the descriptor kind: 0
// falls through into the detailed-timing section that follows the header, any other kind is the
// label of the section that explains the display descriptor's tag. Each section ends with its own
// end-of-section row; rows after one are reached only by a jump.
#include <iterator>

#include "ddc/DdcDecoder.h"
#include "edid/DescriptorKinds.h"
#include "edid/EdidMaps.h"
#include "edid/ValueNames.h"

namespace hdmi {
namespace {

constexpr uint32_t kNoFormatter = kFieldNoFormatter;

// A row that only writes its caption; it still stands over a byte, since every row has a width.
constexpr FieldDescriptor Caption(const char* name, int byte) {
    return Field(name).Byte(byte).Flags(kNoFormatter);
}

// A one-bit "not supported" / "supported" row.
constexpr FieldDescriptor Support(const char* name, int byte, int bit) {
    return Field(name).Bits(byte, bit, bit).Format("%s").Names(names::kSupport).Flags(kNoFormatter);
}

// One byte of a hex run that the next row continues on the same report row.
constexpr FieldDescriptor HexByte(const char* name, int byte, const char* format) {
    return Field(name).Byte(byte).Format(format).Flags(kNoFormatter | kFieldAccumulate);
}

// The last byte of a hex run: it ends the report row.
constexpr FieldDescriptor LastHexByte(int byte, const char* format) {
    return Field().Byte(byte).Format(format).Flags(kNoFormatter);
}

// The title of a display-descriptor section; the title of the reserved-tag section formats the
// tag into its caption, so every title stands over byte 3.
constexpr FieldDescriptor Title(const char* name, uint32_t kind) {
    return Caption(name, 3).Label(kind);
}

// Every section the formatter can name begins with a row carrying its kind as label.
constexpr bool EverySectionLabelled(const FieldDescriptor* rows, size_t count) {
    for (int32_t kind = kSerialNumberDescriptor; kind <= kReservedTagDescriptor; ++kind) {
        bool found = false;
        for (size_t i = 0; i < count && !found; ++i) found = rows[i].label == static_cast<uint32_t>(kind);
        if (!found) return false;
    }
    return true;
}

// Tables keep one row per line, however long, so that they read like the descriptor layout.
// clang-format off

constexpr const char* kInterlaceNames[] = {"Non-Interlaced (1 frame = 1 field)", "Interlaced (1 frame = 2 fields)"};
// Indexed by bits 6..5 of byte 17 times two plus bit 0.
constexpr const char* kStereoNames[] = {
    "Normal Display ??No Stereo.",
    "Normal Display ??No Stereo.",
    "Field sequential stereo, right image when stereo sync signal = 1",
    "2-way interleaved stereo, right image on even lines",
    "Field sequential stereo, left image when stereo sync signal = 1",
    "2-way interleaved stereo, left image on even lines",
    "4-way interleaved stereo",
    "Side-by-Side interleaved stereo",
};
constexpr const char* kBipolarNames[] = {"", "Bipolar "};
constexpr const char* kSerrationNames[] = {"Without Serrations", "With Serrations (H-sync during V-sync)"};
constexpr const char* kSyncOnNames[] = {"Green Signal only", "all three (RGB) video signals"};
constexpr const char* kDigitalSyncNames[] = {"Composite", "Separate"};
constexpr const char* kCvtPreferredAspectNames[] = {"4 : 3 AR", "16 : 9 AR", "16 : 10 AR", "5 : 4 AR", "15 : 9 AR", "Reserved", "Reserved"};
constexpr const char* kCvtCodeAspectNames[] = {"4 : 3 AR", "16 : 9 AR", "16 : 10 AR", "15 : 9 AR"};
static_assert(std::size(kStereoNames) == 8 && std::size(kCvtPreferredAspectNames) == 7);

}  // namespace

extern constexpr FieldDescriptor kDescriptorFields[] = {
    // ---- Header: bytes 0..3 to the formatter, whose result picks the section -------------------
    Field().Byte(0).Flags(kFieldContinued | kFieldAccumulate | kJumpToResult),
    Field().Byte(1).Flags(kFieldContinued),
    Field().Byte(2).Flags(kFieldContinued),
    Field().Byte(3),

    // ---- Detailed timing (kind 0): each value a low part continued by its high bits -------------
    Caption("Detail Timing Descriptor", 0),
    Field("Pixel clock").Byte(0).Format("%s").Flags(kFieldContinued),
    Field().Byte(1),
    Field("Horizontal Addressable Video").Byte(2).Format("%s pixels").Flags(kFieldContinued),
    Field().Bits(4, 7, 4),
    Field("Horizontal Blanking").Byte(3).Format("%s pixels").Flags(kFieldContinued),
    Field().Bits(4, 3, 0),
    Field("Vertical Addressable Video").Byte(5).Format("%s lines").Flags(kFieldContinued),
    Field().Bits(7, 7, 4),
    Field("Vertical Blanking").Byte(6).Format("%s lines").Flags(kFieldContinued),
    Field().Bits(7, 3, 0),
    Field("Horizontal Front Porch").Byte(8).Format("%s pixels").Flags(kFieldContinued),
    Field().Bits(11, 7, 6),
    Field("Horizontal Sync Pulse Width").Byte(9).Format("%s pixels").Flags(kFieldContinued),
    Field().Bits(11, 5, 4),
    Field("Vertical Front Porch").Bits(10, 7, 4).Format("%s Lines").Flags(kFieldContinued),
    Field().Bits(11, 3, 2),
    Field("Vertical Sync Pulse Width").Bits(10, 3, 0).Format("%s Lines").Flags(kFieldContinued),
    Field().Bits(11, 1, 0),
    Field("Horizontal Addressable Video Image Size").Byte(12).Format("%s mm").Flags(kFieldContinued),
    Field().Bits(14, 7, 4),
    Field("Vertical Addressable Video Image Size").Byte(13).Format("%s mm").Flags(kFieldContinued),
    Field().Bits(14, 3, 0),
    Field("Right(Left) Horizontal Border").Byte(15).Format("%d pixels").Flags(kNoFormatter),
    Field("Top(Bottom) Vertical Border").Byte(16).Format("%d Lines").Flags(kNoFormatter),
    // Byte 17: interlace, stereo, then the sync definition: analog, digital composite, digital separate.
    Field("Signal Interface Type").Bits(17, 7, 7).Format("%s").Names(kInterlaceNames).Flags(kNoFormatter),
    Field("Stereo Viewing Support").Bits(17, 6, 5).Format("%s").Names(kStereoNames).Flags(kNoFormatter | kFieldContinued),
    Field().Bits(17, 0, 0),
    Field().Bits(17, 4, 4).Flags(kNoFormatter).JumpTo(kJumpIfValue, kDigitalSyncLabel),
    Field("Analog Sync Signal Definitions").Bits(17, 3, 3).Format("%sAnalog Composite").Names(kBipolarNames).Flags(kNoFormatter),
    Field().Bits(17, 2, 2).Format("%s").Names(kSerrationNames).Flags(kNoFormatter),
    Field().Bits(17, 1, 1).Format("Sync On %s").Names(kSyncOnNames).Flags(kNoFormatter),
    EndSection(),
    Field("Digital Sync Signal Definitions").Bits(17, 3, 3).Format("Digital %s Sync").Names(kDigitalSyncNames).Flags(kNoFormatter).JumpTo(kJumpIfValue, kSeparateSyncLabel).Label(kDigitalSyncLabel),
    Field().Bits(17, 2, 2).Format("%s").Names(kSerrationNames).Flags(kNoFormatter),
    EndSection(),
    Field("Vertical Sync").Bits(17, 2, 2).Format("%s").Names(names::kPolarity).Flags(kNoFormatter).Label(kSeparateSyncLabel),
    Field("Horizontal Sync").Bits(17, 1, 1).Format("%s (outside of V-sync)").Names(names::kPolarity).Flags(kNoFormatter),
    EndSection(),

    // ---- Tag FFh: serial number, one character per byte -----------------------------------------
    Title("Display Product Serial Number Descriptor(0xFFh)", kSerialNumberDescriptor),
    HexByte("Byte 0 to Byte 4", 3, "00 00 00 %02X"),
    LastHexByte(4, " %02Xh"),
    Field("Serial Num").Byte(5).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(6).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(7).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(8).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(9).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(10).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(11).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(12).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(13).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(14).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(15).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(16).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(17).Format("%s"),
    EndSection(),

    // ---- Tag FEh: alphanumeric data string ------------------------------------------------------
    Title("Alphanumeric Data String Descriptor(0xFEh)", kDataStringDescriptor),
    HexByte("Byte 0 to Byte 4", 3, "00 00 00 %02X"),
    LastHexByte(4, " %02Xh"),
    Field("Data String").Byte(5).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(6).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(7).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(8).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(9).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(10).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(11).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(12).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(13).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(14).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(15).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(16).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(17).Format("%s"),
    EndSection(),

    // ---- Tag FDh: display range limits ----------------------------------------------------------
    // Rates: maximum, minimum and the offset bits of byte 4 go to the formatter together. The flags
    // row's result leads into the secondary-curve or the CVT sub-section, and the row saves the
    // flags value for the formatter calls there.
    Title("Display Range Limits & Timing Descriptor(0xFDh)", kRangeLimitsDescriptor),
    Field("Byte 0 to Byte 3").Byte(3).Format("00 00 %02Xh").Flags(kNoFormatter),
    Field("Vertical Rate").Byte(6).Format("%s").Flags(kFieldContinued),
    Field().Byte(5).Flags(kFieldContinued),
    Field().Bits(4, 1, 0),
    Field("Horizontal Rate").Byte(8).Format("%s").Flags(kFieldContinued),
    Field().Byte(7).Flags(kFieldContinued),
    Field().Bits(4, 3, 2),
    Field("Maximum Pixel Clock").Byte(9).Format("%s"),
    Field("Video Timing Support Flags").Byte(10).Format("%s").Flags(kJumpToResult | kFieldSaveValue),
    Field("Line Feed").Byte(11).Format("%02X").Flags(kNoFormatter),
    HexByte("Space", 12, "%02X"),
    HexByte(nullptr, 13, " %02X"),
    HexByte(nullptr, 14, " %02X"),
    HexByte(nullptr, 15, " %02X"),
    HexByte(nullptr, 16, " %02X"),
    LastHexByte(17, " %02Xh"),
    EndSection(),
    // Secondary GTF curve (flags value 2).
    Field("Reserved, 8Bits").Byte(11).Format("%02Xh").Flags(kNoFormatter).Label(kSecondaryGtfLabel),
    Field("Start break frequency for secondary curve").Byte(12).Format("%s KHz"),
    Field("C").Byte(13).Format("%s"),
    Field("M").Byte(14).Format("%s").Flags(kFieldContinued),
    Field().Byte(15),
    Field("K").Byte(16).Format("%d").Flags(kNoFormatter),
    Field("J").Byte(17).Format("%s"),
    EndSection(),
    // CVT support (flags value 4).
    Field("CVT Standard Version Number").Bits(11, 7, 4).Format("%d").Flags(kNoFormatter | kFieldAccumulate).Label(kCvtSupportLabel),
    Field().Bits(11, 3, 0).Format(".%d").Flags(kNoFormatter),
    Field("Additional Pixel Clock Precision, Maximum Pixel Clock").Byte(9).Format("%s MHz").Flags(kFieldContinued),
    Field().Bits(12, 7, 2),
    Field("Maximum Active Pixels per Line").Bits(12, 1, 0).Format("%s").Flags(kFieldContinued),
    Field().Byte(13),
    Support("Aspect Ratios  4 :  3 AR", 14, 7),
    Support("Aspect Ratios 16 :  9 AR", 14, 6),
    Support("Aspect Ratios 16 : 10 AR", 14, 5),
    Support("Aspect Ratios  5 :  4 AR", 14, 4),
    Support("Aspect Ratios 15 :  9 AR", 14, 3),
    Field("Reserved, 3 Bits").Bits(14, 2, 0).Format("%01Xh").Flags(kNoFormatter),
    Field("Preferred Aspect Ratio").Bits(15, 7, 5).Format("%s").Names(kCvtPreferredAspectNames).Flags(kNoFormatter),
    Support("Standard CVT Blanking", 15, 3),
    Support("Reduced CVT Blanking", 15, 4),
    Field("Reserved, 3 Bits").Bits(15, 2, 0).Format("%01Xh").Flags(kNoFormatter),
    Support("Horizontal Shrink", 16, 7),
    Support("Horizontal Stretch", 16, 6),
    Support("Vertical Shrink", 16, 5),
    Support("Vertical Stretch", 16, 4),
    Field("Reserved, 4 Bits").Bits(16, 3, 0).Format("%01Xh").Flags(kNoFormatter),
    Field("Preferred Vertical Refresh Rate").Byte(17).Format("%d").Flags(kNoFormatter),
    EndSection(),

    // ---- Tag FCh: product name ------------------------------------------------------------------
    Title("Display Product Name Descriptor(0xFCh)", kProductNameDescriptor),
    HexByte("Byte 0 to Byte 4", 3, "00 00 00 %02X"),
    LastHexByte(4, " %02Xh"),
    Field("Product Name").Byte(5).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(6).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(7).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(8).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(9).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(10).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(11).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(12).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(13).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(14).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(15).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(16).Format("%s").Flags(kFieldAccumulate),
    Field().Byte(17).Format("%s"),
    EndSection(),

    // ---- Tag FBh: colour point, two white points ------------------------------------------------
    // x and y are a high byte continued by two low-order bits of byte 6 (first point) or 11.
    Title("Color Point Descriptor (0xFBh)", kColorPointDescriptor),
    HexByte("Byte 0 to Byte 4", 3, "00 00 00 %02X"),
    LastHexByte(4, " %02Xh"),
    Field("White Point Index Number (Binary)").Byte(5).Format("%02Xh").Flags(kNoFormatter),
    Field("White x,\tWhite y").Byte(7).Format("%s").Flags(kFieldContinued | kFieldAccumulate),
    Field().Bits(6, 3, 2),
    Field().Byte(8).Format(", %s").Flags(kFieldContinued),
    Field().Bits(6, 1, 0),
    Field("GAMMA Value").Byte(9).Format("%s"),
    Field("White Point Index Number (Binary)").Byte(10).Format("%02Xh").Flags(kNoFormatter),
    Field("White x,\tWhite y").Byte(12).Format("%s").Flags(kFieldContinued | kFieldAccumulate),
    Field().Bits(11, 3, 2),
    Field().Byte(13).Format(", %s").Flags(kFieldContinued),
    Field().Bits(11, 1, 0),
    Field("GAMMA Value").Byte(14).Format("%s"),
    Field("Line Feed").Byte(15).Format("%02Xh").Flags(kNoFormatter),
    HexByte("Space", 16, "%02X"),
    LastHexByte(17, " %02Xh"),
    EndSection(),

    // ---- Tag FAh: standard timings 9..14, two bytes each from byte 5 ----------------------------
    // The formatter's call 0 was the header, so its pixels fields come on odd calls.
    Title("Standard Timing Identifier (0xFAh)", kStandardTimingDescriptor),
    HexByte("Byte 0 to Byte 4", 3, "00 00 00 %02X"),
    LastHexByte(4, " %02Xh"),
    Caption("Standard Timing 9", 5),
    Field("    Horizontal addressable pixels").Byte(5).Format("%s"),
    Field("    Image Aspect Ratio").Bits(6, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kNoFormatter),
    Field("    Field Refresh Rate").Bits(6, 5, 0).Format("%s"),
    Caption("Standard Timing 10", 7),
    Field("    Horizontal addressable pixels").Byte(7).Format("%s"),
    Field("    Image Aspect Ratio").Bits(8, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kNoFormatter),
    Field("    Field Refresh Rate").Bits(8, 5, 0).Format("%s"),
    Caption("Standard Timing 11", 9),
    Field("    Horizontal addressable pixels").Byte(9).Format("%s"),
    Field("    Image Aspect Ratio").Bits(10, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kNoFormatter),
    Field("    Field Refresh Rate").Bits(10, 5, 0).Format("%s"),
    Caption("Standard Timing 12", 11),
    Field("    Horizontal addressable pixels").Byte(11).Format("%s"),
    Field("    Image Aspect Ratio").Bits(12, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kNoFormatter),
    Field("    Field Refresh Rate").Bits(12, 5, 0).Format("%s"),
    Caption("Standard Timing 13", 13),
    Field("    Horizontal addressable pixels").Byte(13).Format("%s"),
    Field("    Image Aspect Ratio").Bits(14, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kNoFormatter),
    Field("    Field Refresh Rate").Bits(14, 5, 0).Format("%s"),
    Caption("Standard Timing 14", 15),
    Field("    Horizontal addressable pixels").Byte(15).Format("%s"),
    Field("    Image Aspect Ratio").Bits(16, 7, 6).Format("%s").Names(names::kStandardTimingAspect).Flags(kNoFormatter),
    Field("    Field Refresh Rate").Bits(16, 5, 0).Format("%s"),
    Field("Line Feed").Byte(17).Format("%02Xh").Flags(kNoFormatter),
    EndSection(),

    // ---- Tag F9h: colour management data, six coefficients shown high byte first ----------------
    Title("Color Management Data (0xF9h)", kColorManagementDescriptor),
    HexByte("Byte 0 to Byte 4", 3, "00 00 00 %02X"),
    LastHexByte(4, " %02Xh"),
    Field("Version Number").Byte(5).Format("%02Xh").Flags(kNoFormatter),
    Caption("Polynomial coefficients", 6),
    HexByte("Red a3", 7, "%02X"),
    LastHexByte(6, " %02Xh"),
    HexByte("Red a2", 9, "%02X"),
    LastHexByte(8, " %02Xh"),
    HexByte("Green a2", 11, "%02X"),
    LastHexByte(10, " %02Xh"),
    HexByte("Green a3", 13, "%02X"),
    LastHexByte(12, " %02Xh"),
    HexByte("Blue a3", 15, "%02X"),
    LastHexByte(14, " %02Xh"),
    HexByte("Blue a2", 17, "%02X"),
    LastHexByte(16, " %02Xh"),
    EndSection(),

    // ---- Tag F8h: four CVT 3-byte codes at bytes 6, 9, 12 and 15 --------------------------------
    // Codes 2..4 are optional: a first byte of 0 shows "Not Defined" and goes on to the next code.
    Title("CVT 3 Byte Code Descriptor (0xF8h)", kCvtCodeDescriptor),
    HexByte("Byte 0 to Byte 4", 3, "00 00 00 %02X"),
    LastHexByte(4, " %02Xh"),
    Field("Version Number").Byte(5).Format("%02Xh").Flags(kNoFormatter),
    Caption("CVT 3 Byte Code Descriptor with the #1 (Highest) Priority", 6),
    Field("Addressable Lines per Field").Byte(6).Format("%s").Flags(kFieldContinued),
    Field().Bits(7, 7, 4),
    Field("Aspect Ratio").Bits(7, 3, 2).Format("%s").Names(kCvtCodeAspectNames).Flags(kNoFormatter),
    Field("Reserved,\t3 Bits").Span(7, 1, 7).Format("%01Xh").Flags(kNoFormatter),
    Field("Preferred Vertical Rate").Bits(8, 6, 5).Format("%sHz").Names(names::kCvtPreferredRate).Flags(kNoFormatter),
    Support("50 Hz with standard blanking (CRT style)", 8, 4),
    Support("60 Hz with standard blanking (CRT style)", 8, 3),
    Support("75 Hz with standard blanking (CRT style)", 8, 2),
    Support("85 Hz with standard blanking (CRT style)", 8, 1),
    Support("60 Hz with reduced blanking (as per CVT Standard)", 8, 0),
    Caption("CVT 3 Byte Code Descriptor with the #2 Priority", 9),
    Field().Byte(9).Flags(kNoFormatter).JumpTo(kJumpIfValue, kCvtCode2Fields),
    Caption("Not Defined", 9).JumpTo(kJumpAlways, kCvtCode3Caption),
    Field("Addressable Lines per Field").Byte(9).Format("%s").Flags(kFieldContinued).Label(kCvtCode2Fields),
    Field().Bits(10, 7, 4),
    Field("Aspect Ratio").Bits(10, 3, 2).Format("%s").Names(kCvtCodeAspectNames).Flags(kNoFormatter),
    Field("Reserved,\t3 Bits").Span(10, 1, 7).Format("%01Xh").Flags(kNoFormatter),
    Field("Preferred Vertical Rate").Bits(11, 6, 5).Format("%sHz").Names(names::kCvtPreferredRate).Flags(kNoFormatter),
    Support("50 Hz with standard blanking (CRT style)", 11, 4),
    Support("60 Hz with standard blanking (CRT style)", 11, 3),
    Support("75 Hz with standard blanking (CRT style)", 11, 2),
    Support("85 Hz with standard blanking (CRT style)", 11, 1),
    Support("60 Hz with reduced blanking (as per CVT Standard)", 11, 0),
    Caption("CVT 3 Byte Code Descriptor with the #3 Priority", 12).Label(kCvtCode3Caption),
    Field().Byte(12).Flags(kNoFormatter).JumpTo(kJumpIfValue, kCvtCode3Fields),
    Caption("Not Defined", 12).JumpTo(kJumpAlways, kCvtCode4Caption),
    Field("Addressable Lines per Field").Byte(12).Format("%s").Flags(kFieldContinued).Label(kCvtCode3Fields),
    Field().Bits(13, 7, 4),
    Field("Aspect Ratio").Bits(13, 3, 2).Format("%s").Names(kCvtCodeAspectNames).Flags(kNoFormatter),
    Field("Reserved,\t3 Bits").Span(13, 1, 7).Format("%01Xh").Flags(kNoFormatter),
    Field("Preferred Vertical Rate").Bits(14, 6, 5).Format("%sHz").Names(names::kCvtPreferredRate).Flags(kNoFormatter),
    Support("50 Hz with standard blanking (CRT style)", 14, 4),
    Support("60 Hz with standard blanking (CRT style)", 14, 3),
    Support("75 Hz with standard blanking (CRT style)", 14, 2),
    Support("85 Hz with standard blanking (CRT style)", 14, 1),
    Support("60 Hz with reduced blanking (as per CVT Standard)", 14, 0),
    Caption("CVT 3 Byte Code Descriptor with the #4 (Lowest) Priority", 15).Label(kCvtCode4Caption),
    Field().Byte(15).Flags(kNoFormatter).JumpTo(kJumpIfValue, kCvtCode4Fields),
    Caption("Not Defined", 15).JumpTo(kJumpAlways, kCvtCodesEnd),
    Field("Addressable Lines per Field").Byte(15).Format("%s").Flags(kFieldContinued).Label(kCvtCode4Fields),
    Field().Bits(16, 7, 4),
    Field("Aspect Ratio").Bits(16, 3, 2).Format("%s").Names(kCvtCodeAspectNames).Flags(kNoFormatter),
    Field("Reserved,\t3 Bits").Span(16, 1, 7).Format("%01Xh").Flags(kNoFormatter),
    Field("Preferred Vertical Rate").Bits(17, 6, 5).Format("%sHz").Names(names::kCvtPreferredRate).Flags(kNoFormatter),
    Support("50 Hz with standard blanking (CRT style)", 17, 4),
    Support("60 Hz with standard blanking (CRT style)", 17, 3),
    Support("75 Hz with standard blanking (CRT style)", 17, 2),
    Support("85 Hz with standard blanking (CRT style)", 17, 1),
    Support("60 Hz with reduced blanking (as per CVT Standard)", 17, 0),
    EndSection().Label(kCvtCodesEnd),

    // ---- Tag F7h: established timings III, most significant bit first ---------------------------
    Title("Established Timings III\t(0xF7h)", kEstablishedTimingsIII),
    HexByte("Byte 0 to Byte 4", 3, "00 00 00 %02X"),
    LastHexByte(4, " %02Xh"),
    Field("Revision Number").Byte(5).Format("%02X").Flags(kNoFormatter),
    Support("    640 x 350 @ 85 Hz", 6, 7),
    Support("    640 x 400 @ 85 Hz", 6, 6),
    Support("    720 x 400 @ 85 Hz", 6, 5),
    Support("    640 x 480 @ 85 Hz", 6, 4),
    Support("    848 x 480 @ 60 Hz", 6, 3),
    Support("    800 x 600 @ 85 Hz", 6, 2),
    Support("    1024 x 768 @ 85 Hz", 6, 1),
    Support("    1152 x 864 @ 75 Hz", 6, 0),
    Support("    1280 x 768 @ 60 Hz (Reduced Blanking)", 7, 7),
    Support("    1280 x 768 @ 60 Hz", 7, 6),
    Support("    1280 x 768 @ 75 Hz", 7, 5),
    Support("    1280 x 768 @ 85 Hz", 7, 4),
    Support("    1280 x 960 @ 60 Hz", 7, 3),
    Support("    1280 x 960 @ 85 Hz", 7, 2),
    Support("    1280 x 1024 @ 60 Hz", 7, 1),
    Support("    1280 x 1024 @ 85 Hz", 7, 0),
    Support("    1360 x 768 @ 60 Hz", 8, 7),
    Support("    1440 x 900 @ 60 Hz (Reduced Blanking)", 8, 6),
    Support("    1440 x 900 @ 60 Hz", 8, 5),
    Support("    1440 x 900 @ 75 Hz", 8, 4),
    Support("    1440 x 900 @ 85 Hz", 8, 3),
    Support("    1400 x 1050 @ 60 Hz (Reduced Blanking)", 8, 2),
    Support("    1400 x 1050 @ 60 Hz", 8, 1),
    Support("    1400 x 1050 @ 75 Hz", 8, 0),
    Support("    1400 x 1050 @ 85 Hz", 9, 7),
    Support("    1680 x 1050 @ 60 Hz (Reduced Blanking)", 9, 6),
    Support("    1680 x 1050 @ 60 Hz", 9, 5),
    Support("    1680 x 1050 @ 75 Hz", 9, 4),
    Support("    1680 x 1050 @ 85 Hz", 9, 3),
    Support("    1600 x 1200 @ 60 Hz", 9, 2),
    Support("    1600 x 1200 @ 65 Hz", 9, 1),
    Support("    1600 x 1200 @ 70 Hz", 9, 0),
    Support("    1600 x 1200 @ 75 Hz", 10, 7),
    Support("    1600 x 1200 @ 85 Hz", 10, 6),
    Support("    1792 x 1344 @ 60 Hz", 10, 5),
    Support("    1792 x 1344 @ 75 Hz", 10, 4),
    Support("    1856 x 1392 @ 60 Hz", 10, 3),
    Support("    1856 x 1392 @ 75 Hz", 10, 2),
    Support("    1920 x 1200 @ 60 Hz (Reduced Blanking)", 10, 1),
    Support("    1920 x 1200 @ 60 Hz", 10, 0),
    Support("    1920 x 1200 @ 75 Hz", 11, 7),
    Support("    1920 x 1200 @ 85 Hz", 11, 6),
    Support("    1920 x 1440 @ 60 Hz", 11, 5),
    Support("    1920 x 1440 @ 75 Hz", 11, 4),
    Field("Reserved,\t4 Bits").Bits(11, 3, 0).Format("%01Xh").Flags(kNoFormatter),
    HexByte("Byte 12~17 : Reserved", 12, "%02X"),
    HexByte(nullptr, 13, " %02X"),
    HexByte(nullptr, 14, " %02X"),
    HexByte(nullptr, 15, " %02X"),
    HexByte(nullptr, 16, " %02X"),
    LastHexByte(17, " %02Xh"),
    EndSection(),

    // ---- Tag 10h: dummy descriptor --------------------------------------------------------------
    Title("Dummy Descriptor\t(0x10h)", kDummyDescriptor),
    HexByte("Byte 0 to Byte 4", 3, "00 00 00 %02X"),
    LastHexByte(4, " %02Xh"),
    HexByte("Byte 5 to Byte 12", 5, "%02X"),
    HexByte(nullptr, 6, " %02X"),
    HexByte(nullptr, 7, " %02X"),
    HexByte(nullptr, 8, " %02X"),
    HexByte(nullptr, 9, " %02X"),
    HexByte(nullptr, 10, " %02X"),
    HexByte(nullptr, 11, " %02X"),
    LastHexByte(12, " %02Xh"),
    HexByte("Byte 13 to Byte 17", 13, "%02X"),
    HexByte(nullptr, 14, " %02X"),
    HexByte(nullptr, 15, " %02X"),
    HexByte(nullptr, 16, " %02X"),
    LastHexByte(17, " %02Xh"),
    EndSection(),

    // ---- Tags 00h..0Fh: manufacturer specified --------------------------------------------------
    Title("Manufacturer Specified\t(0x00~0x0F)", kManufacturerDescriptor),
    HexByte("Byte 0 to Byte 4", 3, "00 00 00 %02X"),
    LastHexByte(4, " %02Xh"),
    HexByte("Byte 5 to Byte 12", 5, "%02X"),
    HexByte(nullptr, 6, " %02X"),
    HexByte(nullptr, 7, " %02X"),
    HexByte(nullptr, 8, " %02X"),
    HexByte(nullptr, 9, " %02X"),
    HexByte(nullptr, 10, " %02X"),
    HexByte(nullptr, 11, " %02X"),
    LastHexByte(12, " %02Xh"),
    HexByte("Byte 13 to Byte 17", 13, "%02X"),
    HexByte(nullptr, 14, " %02X"),
    HexByte(nullptr, 15, " %02X"),
    HexByte(nullptr, 16, " %02X"),
    LastHexByte(17, " %02Xh"),
    EndSection(),

    // ---- Any other tag: reserved; the title shows the tag ---------------------------------------
    Title("Reserved Data Tag Numbers\t(0x%02Xh)", kReservedTagDescriptor),
    HexByte("Byte 0 to Byte 4", 3, "00 00 00 %02X"),
    LastHexByte(4, " %02Xh"),
    HexByte("Byte 5 to Byte 12", 5, "%02X"),
    HexByte(nullptr, 6, " %02Xh"),
    HexByte(nullptr, 7, " %02Xh"),
    HexByte(nullptr, 8, " %02Xh"),
    HexByte(nullptr, 9, " %02Xh"),
    HexByte(nullptr, 10, " %02Xh"),
    HexByte(nullptr, 11, " %02Xh"),
    LastHexByte(12, " %02Xh"),
    HexByte("Byte 13 to Byte 17", 13, "%02X"),
    HexByte(nullptr, 14, " %02Xh"),
    HexByte(nullptr, 15, " %02Xh"),
    HexByte(nullptr, 16, " %02Xh"),
    LastHexByte(17, " %02Xh"),
    EndSection(),

    EndTable(),
};

// clang-format on

static_assert(ValidFieldTable(kDescriptorFields) && FieldsInsideEntry(kDescriptorFields, 18));
static_assert(EverySectionLabelled(kDescriptorFields, std::size(kDescriptorFields)));

}  // namespace hdmi
