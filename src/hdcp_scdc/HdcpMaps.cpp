// HDCP 1.x receiver registers. Positions are register bits: Bits(byte, high, low) with byte 0 the
// first byte on the bus. Both ports share these tables.
#include "hdcp_scdc/HdcpMaps.h"

#include <array>

#include "ddc/DdcDecoder.h"

namespace hdmi {
namespace {

// ---- Bksv (00h, 5 bytes): one row, the whole vector as FormatKsv prints it ----------------------
constexpr FieldDescriptor kBksvFields[] = {
    Field("HDCP Receiver KSV(Bksv, Rd)").Bits(0, 7, 7).Format("%s"),
    EndTable(),
};

// ---- Ri' (08h, 2 bytes) -------------------------------------------------------------------------
constexpr FieldDescriptor kRiPrimeFields[] = {
    Field("Link verification response(Ri', Rd)").Byte(0).Format("%02X").Flags(kFieldAccumulate),
    Field().Byte(1).Format(" %02Xh"),
    EndTable(),
};

// ---- Pj' (0Ah, 1 byte) --------------------------------------------------------------------------
constexpr FieldDescriptor kPjPrimeFields[] = {
    Field("Enhanced Link Verification Response(Pj', Rd)").Byte(0).Format("%02Xh"),
    EndTable(),
};

// ---- Aksv (10h, 5 bytes) ------------------------------------------------------------------------
constexpr FieldDescriptor kAksvFields[] = {
    Field("HDCP Transmitter KSV(Aksv, Wr)").Bits(0, 7, 7).Format("%s"),
    EndTable(),
};

// ---- Ainfo (15h, 1 byte) ------------------------------------------------------------------------
constexpr const char* kNoYes[] = {"No", "Yes"};
constexpr FieldDescriptor kAinfoFields[] = {
    Field("Reserved, 6Bits").Bits(0, 7, 2).Format("%02Xh"),
    Field("ENABLE_1.1_FEATURES(Ainfo, Wr)").Bits(0, 1, 1).Format("%s").Names(kNoYes),
    Field("Reserved, 1Bit").Bits(0, 0, 0).Format("%01Xh"),
    EndTable(),
};

// ---- An (18h, 8 bytes): bus order, sixteen digits, no "h" ---------------------------------------
constexpr FieldDescriptor kAnFields[] = {
    Field("Session random number(An, Wr)").Byte(0).Format("%02X").Flags(kFieldAccumulate),
    Field().Byte(1).Format("%02X").Flags(kFieldAccumulate),
    Field().Byte(2).Format("%02X").Flags(kFieldAccumulate),
    Field().Byte(3).Format("%02X").Flags(kFieldAccumulate),
    Field().Byte(4).Format("%02X").Flags(kFieldAccumulate),
    Field().Byte(5).Format("%02X").Flags(kFieldAccumulate),
    Field().Byte(6).Format("%02X").Flags(kFieldAccumulate),
    Field().Byte(7).Format("%02X"),
    EndTable(),
};

// ---- V' H0..H4 (20h..30h, 4 bytes each): a little-endian word, shown last byte first ------------
// The names hold the two bytes A1h 56h (an en dash in Big5) between "SHA" and "1".
constexpr std::array<FieldDescriptor, 5> VPrimeFields(const char* name) {
    return {
        Field(name).Byte(3).Format("%02X").Flags(kFieldAccumulate),
        Field().Byte(2).Format(" %02X").Flags(kFieldAccumulate),
        Field().Byte(1).Format(" %02X").Flags(kFieldAccumulate),
        Field().Byte(0).Format(" %02Xh"),
        EndTable(),
    };
}
constexpr auto kVPrimeH0Fields = VPrimeFields(
    "SHA\xA1\x56"
    "1 hash value(H0, Rd)");
constexpr auto kVPrimeH1Fields = VPrimeFields(
    "SHA\xA1\x56"
    "1 hash value(H1, Rd)");
constexpr auto kVPrimeH2Fields = VPrimeFields(
    "SHA\xA1\x56"
    "1 hash value(H2, Rd)");
constexpr auto kVPrimeH3Fields = VPrimeFields(
    "SHA\xA1\x56"
    "1 hash value(H3, Rd)");
constexpr auto kVPrimeH4Fields = VPrimeFields(
    "SHA\xA1\x56"
    "1 hash value(H4, Rd)");

// ---- Bcaps (40h, 1 byte): a header row, then one row per bit field ------------------------------
constexpr FieldDescriptor kBcapsFields[] = {
    Field("Bcaps(Rd)").Bits(0, 7, 7),
    Field("    HDMI_RESERVED").Bits(0, 7, 7).Format("%01X"),
    Field("    HDCP Repeater capability").Bits(0, 6, 6).Format("%01X"),
    Field("    KSV FIFO ready").Bits(0, 5, 5).Format("%01X"),
    Field("    FAST").Bits(0, 4, 4).Format("%01X"),
    Field("    Reserved, 2Bits").Bits(0, 3, 2).Format("%01X"),
    Field("    1.1_FEATURES").Bits(0, 1, 1).Format("%01X"),
    Field("    FAST_REAUTHENTICATION").Bits(0, 0, 0).Format("%01X"),
    EndTable(),
};

// ---- Bstatus (41h, 2 bytes): little-endian, byte 1 holds bits 15..8 ------------------------------
constexpr FieldDescriptor kBstatusFields[] = {
    Field("Bstatus(Rd)").Bits(0, 7, 7),
    Field("    Reserved, 2Bits").Bits(1, 7, 6).Format("%01X"),
    Field("    HDMI_RESERVED").Bits(1, 5, 5).Format("%01X"),
    Field("    HDMI_MODE").Bits(1, 4, 4).Format("%01X"),
    Field("    MAX_CASCADE_EXCEEDED").Bits(1, 3, 3).Format("%01X"),
    Field("    DEPTH").Bits(1, 2, 0).Format("%01X"),
    Field("\t  MAX_DEVS_EXCEEDED").Bits(0, 7, 7).Format("%01X"),
    Field("    DEVICE_COUNT").Bits(0, 6, 0).Format("%02X"),
    EndTable(),
};

// ---- KSV FIFO (43h, 1 byte) ---------------------------------------------------------------------
constexpr FieldDescriptor kKsvFifoFields[] = {
    Field("KSV_FIFO").Byte(0).Format("%02X"),
    EndTable(),
};

// ---- Debug register (C0h, 64 bytes): eight rows of eight bytes, each by FormatDebugReg ----------
constexpr FieldDescriptor kDebugRegFields[] = {
    Field("Debug Reg").Bits(0, 7, 7).Format("%s"),
    Field().Bits(0, 7, 7).Format("%s"),
    Field().Bits(0, 7, 7).Format("%s"),
    Field().Bits(0, 7, 7).Format("%s"),
    Field().Bits(0, 7, 7).Format("%s"),
    Field().Bits(0, 7, 7).Format("%s"),
    Field().Bits(0, 7, 7).Format("%s"),
    Field().Bits(0, 7, 7).Format("%s"),
    EndTable(),
};

static_assert(ValidFieldTable(kBksvFields) && ValidFieldTable(kRiPrimeFields) &&
              ValidFieldTable(kPjPrimeFields));
static_assert(ValidFieldTable(kAksvFields) && ValidFieldTable(kAinfoFields) && ValidFieldTable(kAnFields));
static_assert(ValidFieldTable(kVPrimeH0Fields.data(), kVPrimeH0Fields.size()) &&
              ValidFieldTable(kVPrimeH1Fields.data(), kVPrimeH1Fields.size()) &&
              ValidFieldTable(kVPrimeH2Fields.data(), kVPrimeH2Fields.size()) &&
              ValidFieldTable(kVPrimeH3Fields.data(), kVPrimeH3Fields.size()) &&
              ValidFieldTable(kVPrimeH4Fields.data(), kVPrimeH4Fields.size()));
static_assert(ValidFieldTable(kBcapsFields) && ValidFieldTable(kBstatusFields));
static_assert(ValidFieldTable(kKsvFifoFields) && ValidFieldTable(kDebugRegFields));

}  // namespace

// offset length fields                   formatter
constexpr HdcpRegisterEntry HdcpPrimaryMap[] = {
    {0x00, 5, kBksvFields, &CDdcDecoder::FormatKsv},
    {0x08, 2, kRiPrimeFields, nullptr},
    {0x0A, 1, kPjPrimeFields, nullptr},
    {0x10, 5, kAksvFields, &CDdcDecoder::FormatKsv},
    {0x15, 1, kAinfoFields, nullptr},
    {0x18, 8, kAnFields, nullptr},
    {0x20, 4, kVPrimeH0Fields.data(), nullptr},
    {0x24, 4, kVPrimeH1Fields.data(), nullptr},
    {0x28, 4, kVPrimeH2Fields.data(), nullptr},
    {0x2C, 4, kVPrimeH3Fields.data(), nullptr},
    {0x30, 4, kVPrimeH4Fields.data(), nullptr},
    {0x40, 1, kBcapsFields, nullptr},
    {0x41, 2, kBstatusFields, nullptr},
    {0x43, 1, kKsvFifoFields, nullptr},
    {0xC0, 64, kDebugRegFields, &CDdcDecoder::FormatDebugReg},
    {0x00, 0, nullptr, nullptr},
};

constexpr HdcpRegisterEntry HdcpSecondaryMap[] = {
    {0x00, 5, kBksvFields, &CDdcDecoder::FormatKsv},
    {0x08, 2, kRiPrimeFields, nullptr},
    {0x0A, 1, kPjPrimeFields, nullptr},
    {0x10, 5, kAksvFields, &CDdcDecoder::FormatKsv},
    {0x15, 1, kAinfoFields, nullptr},
    {0x18, 8, kAnFields, nullptr},
    {0xC0, 64, kDebugRegFields, &CDdcDecoder::FormatDebugReg},
    {0x00, 0, nullptr, nullptr},
};

// The registers whose rows show their formatter's text (FormatKsv, FormatDebugReg). Told by their
// tables: member-function pointers cannot be compared in constant expressions under the
// undefined-behaviour sanitizer.
constexpr bool HasFormatter(const HdcpRegisterEntry& entry) {
    return entry.fields == kBksvFields || entry.fields == kAksvFields || entry.fields == kDebugRegFields;
}
static_assert(ValidHdcpMap(HdcpPrimaryMap, HasFormatter) && std::size(HdcpPrimaryMap) == 15 + 1);
static_assert(ValidHdcpMap(HdcpSecondaryMap, HasFormatter) && std::size(HdcpSecondaryMap) == 7 + 1);

}  // namespace hdmi
