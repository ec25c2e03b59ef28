// ScdcRegisterTable: written as runs of registers that share a name and a formatter, the way the
// register map is laid out, and expanded at compile time into one entry per register.
#include "hdcp_scdc/ScdcRegisters.h"

namespace hdmi {
namespace {

struct ScdcRegisterRun {
    uint32_t first;
    uint32_t last;
    const char* name;
    uint32_t sourceWritable;
    ScdcFormatter formatter;
};

using D = CDdcDecoder;

constexpr ScdcRegisterRun kScdcRegisterRuns[] = {
    // first last  name                                   source-writable  formatter
    {0x01, 0x01, "Sink Version", 0, &D::FormatScdcHexByte},
    {0x02, 0x02, "Source Version", 1, &D::FormatScdcHexByte},
    {0x10, 0x10, "Update_0", 1, &D::FormatScdcUpdate0},
    {0x11, 0x11, "Update_1", 1, &D::FormatScdcAllReserved},
    {0x12, 0x1F, "Reserved for Update Related Uses", 0, &D::FormatScdcReserved},
    {0x20, 0x20, "TMDS_Config", 1, &D::FormatScdcTmdsConfig},
    {0x21, 0x21, "Scrambler_Status", 0, &D::FormatScdcScramblerStatus},
    {0x30, 0x30, "Config_0", 1, &D::FormatScdcConfig0},
    {0x31, 0x3F, "Reserved for Configuration", 0, &D::FormatScdcReserved},
    {0x40, 0x40, "Status_Flags_0", 0, &D::FormatScdcStatusFlags0},
    {0x41, 0x41, "Status_Flags_1", 0, &D::FormatScdcAllReserved},
    {0x42, 0x4F, "Reserved for Status Related Uses", 0, &D::FormatScdcReserved},
    {0x50, 0x50, "Err_Det_0_L", 0, &D::FormatScdcErrDetLow<0>},
    {0x51, 0x51, "Err_Det_0_H", 0, &D::FormatScdcErrDetHigh<0>},
    {0x52, 0x52, "Err_Det_1_L", 0, &D::FormatScdcErrDetLow<1>},
    {0x53, 0x53, "Err_Det_1_H", 0, &D::FormatScdcErrDetHigh<1>},
    {0x54, 0x54, "Err_Det_2_L", 0, &D::FormatScdcErrDetLow<2>},
    {0x55, 0x55, "Err_Det_2_H", 0, &D::FormatScdcErrDetHigh<2>},
    {0x56, 0x56, "Err_Det_Checksum", 0, &D::FormatScdcErrDetChecksum},
    {0xC0, 0xC0, "Test_Config_0", 1, &D::FormatScdcTestConfig0},
    {0xC1, 0xCF, "Reserved for test features", 0, &D::FormatScdcReserved},
    {0xD0, 0xD0, "Manufacturer IEEE OUI, Third Octet", 0, &D::FormatScdcOuiOctet<3>},
    {0xD1, 0xD1, "Manufacturer IEEE OUI, Second Octet", 0, &D::FormatScdcOuiOctet<2>},
    {0xD2, 0xD2, "Manufacturer IEEE OUI, First Octer", 0, &D::FormatScdcOuiOctet<1>},
    {0xD3, 0xDA, "Device ID", 0, &D::FormatScdcHexByte},
    {0xDB, 0xDB, "Device ID", 0, &D::FormatScdcHardwareRev},
    {0xDC, 0xDC, "Device ID", 0, &D::FormatScdcSoftwareRev<D::kScdcMajorRev>},
    {0xDD, 0xDD, "Device ID", 0, &D::FormatScdcSoftwareRev<D::kScdcMinorRev>},
    {0xDE, 0xFF, "Manufacturer Specific", 1, &D::FormatScdcHexByte},
};

template <size_t N>
constexpr size_t RegistersIn(const ScdcRegisterRun (&runs)[N]) {
    size_t count = 0;
    for (const ScdcRegisterRun& run : runs) count += run.last - run.first + 1;
    return count;
}
static_assert(RegistersIn(kScdcRegisterRuns) == kScdcRegisterCount);

template <size_t N>
constexpr std::array<ScdcRegisterEntry, kScdcRegisterCount> Expand(const ScdcRegisterRun (&runs)[N]) {
    std::array<ScdcRegisterEntry, kScdcRegisterCount> table{};
    size_t next = 0;
    for (const ScdcRegisterRun& run : runs)
        for (uint32_t offset = run.first; offset <= run.last; ++offset)
            table[next++] = {offset, run.sourceWritable, run.name, run.formatter};
    return table;
}

constexpr bool StrictlyAscending(const std::array<ScdcRegisterEntry, kScdcRegisterCount>& table) {
    for (size_t i = 1; i < table.size(); ++i)
        if (table[i].offset <= table[i - 1].offset) return false;
    return table.back().offset <= 0xFF;
}

constexpr bool NamedWithFlags(const std::array<ScdcRegisterEntry, kScdcRegisterCount>& table) {
    for (const ScdcRegisterEntry& entry : table)
        if (entry.name == nullptr || entry.sourceWritable > 1) return false;
    return true;
}

}  // namespace

constexpr std::array<ScdcRegisterEntry, kScdcRegisterCount> ScdcRegisterTable = Expand(kScdcRegisterRuns);

static_assert(ScdcRegisterTable.size() == 123);
static_assert(StrictlyAscending(ScdcRegisterTable));
static_assert(NamedWithFlags(ScdcRegisterTable));
static_assert(ScdcRegisterTable.front().offset == 0x01 && ScdcRegisterTable[4].offset == 0x12 &&
              ScdcRegisterTable.back().offset == 0xFF);

}  // namespace hdmi
