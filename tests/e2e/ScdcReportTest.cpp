// SCDC traffic explained in the report, through the exports: writes and reads of every
// formatter's register, writes to registers only the sink writes, offsets without a register, the
// status poll without an offset, and the offset's life across repeated starts and stops.
#include <cstdint>
#include <vector>

#include "RegisterReport.h"

namespace hdmi {
namespace {

using host::BusSynth;
using host::Hex;
using register_report::RegisterReportTest;
using register_report::Rows;

namespace ddc = host::ddc;

Rows operator+(Rows rows, const Rows& more) {
    rows.insert(rows.end(), more.begin(), more.end());
    return rows;
}

class ScdcReportTest : public RegisterReportTest {};

// Each written byte is acknowledged and the last one is followed by the STOP, which the
// acknowledge test counts as an anomaly: written values carry pair 6.
TEST_F(ScdcReportTest, SourceWritableRegistersWritten) {
    BusSynth bus = Bus();
    ddc::ScdcWrite(bus, 0x20, 0x03);
    ddc::ScdcWrite(bus, 0x10, 0x05);
    ddc::ScdcWrite(bus, 0x11, 0x80);
    ddc::ScdcWrite(bus, 0x30, 0x01);
    ddc::ScdcWrite(bus, 0xC0, 0x8A);
    ddc::ScdcWrite(bus, 0xDE, 0x5A);
    ddc::RegisterWrite(bus, 0xA8, 0x02, Hex("01 01"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "A8(SCDC)|SCDC Write - 0x20|TMDS_Config|[7:0]: 03h @6",
                               " | | |    [7] Rsvd (0) @6",
                               " | | |    [6] Rsvd (0) @6",
                               " | | |    [5] Rsvd (0) @6",
                               " | | |    [4] Rsvd (0) @6",
                               " | | |    [3] Rsvd (0) @6",
                               " | | |    [2] Rsvd (0) @6",
                               " | | |    [1] TMDS_Bit_Clock_Ratio (1) - ratio: 1/40 @6",
                               " | | |    [0] Scrambling_Enable (1) - enable @6",
                               "A8(SCDC)|SCDC Write - 0x10|Update_0|[7:0]: 05h @6",
                               " | | |    [7] Rsvd (0) @6",
                               " | | |    [6] Rsvd (0) @6",
                               " | | |    [5] Rsvd (0) @6",
                               " | | |    [4] Rsvd (0) @6",
                               " | | |    [3] Rsvd (0) @6",
                               " | | |    [2] RR_Test (1) - clear @6",
                               " | | |    [1] CED_Update (0) - reset @6",
                               " | | |    [0] Status_Update (1) - clear @6",
                               "A8(SCDC)|SCDC Write - 0x11|Update_1|[7:0]: 80h @6",
                               " | | |    [7] Rsvd (1) @6",
                               " | | |    [6] Rsvd (0) @6",
                               " | | |    [5] Rsvd (0) @6",
                               " | | |    [4] Rsvd (0) @6",
                               " | | |    [3] Rsvd (0) @6",
                               " | | |    [2] Rsvd (0) @6",
                               " | | |    [1] Rsvd (0) @6",
                               " | | |    [0] Rsvd (0) @6",
                               "A8(SCDC)|SCDC Write - 0x30|Config_0|[7:0]: 01h @6",
                               " | | |    [7] Rsvd (0) @6",
                               " | | |    [6] Rsvd (0) @6",
                               " | | |    [5] Rsvd (0) @6",
                               " | | |    [4] Rsvd (0) @6",
                               " | | |    [3] Rsvd (0) @6",
                               " | | |    [2] Rsvd (0) @6",
                               " | | |    [1] Rsvd (0) @6",
                               " | | |    [0] RR_Enable (1) @6",
                               "A8(SCDC)|SCDC Write - 0xC0|Test_Config_0|[7:0]: 8Ah @6",
                               " | | |    [7] TestReadRequest (1) - set @6",
                               " | | |    [6:0] TestReadRequestDelay - wait 10ms @6",
                               "A8(SCDC)|SCDC Write - 0xDE|Manufacturer Specific|[7:0]: 5Ah @6",
                               // Offset 02h and two values: both are register 02h (the offset does
                               // not advance); only the first carries the access cells.
                               "A8(SCDC)|SCDC Write - 0x02|Source Version|[7:0]: 01h @3",
                               " | | |[7:0]: 01h @6",
                           }));
}

TEST_F(ScdcReportTest, StatusAndConfigurationRegistersRead) {
    BusSynth bus = Bus();
    ddc::ScdcRead(bus, 0x01, Hex("01"));
    ddc::ScdcRead(bus, 0x20, Hex("00"));
    ddc::ScdcRead(bus, 0x21, Hex("01"));
    ddc::ScdcRead(bus, 0x40, Hex("0F"));
    ddc::ScdcRead(bus, 0x41, Hex("A5"));
    ddc::ScdcRead(bus, 0x12, Hex("00"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "A8(SCDC)|SCDC Write - 0x01|Sink Version| ",
                               "A9(SCDC)|SCDC Read  - 0x01|Sink Version|[7:0]: 01h @3",
                               "A8(SCDC)|SCDC Write - 0x20|TMDS_Config| ",
                               "A9(SCDC)|SCDC Read  - 0x20|TMDS_Config|[7:0]: 00h @3",
                               " | | |    [7] Rsvd (0) @3",
                               " | | |    [6] Rsvd (0) @3",
                               " | | |    [5] Rsvd (0) @3",
                               " | | |    [4] Rsvd (0) @3",
                               " | | |    [3] Rsvd (0) @3",
                               " | | |    [2] Rsvd (0) @3",
                               " | | |    [1] TMDS_Bit_Clock_Ratio (0) - ratio: 1/10 @3",
                               " | | |    [0] Scrambling_Enable (0) - disable @3",
                               "A8(SCDC)|SCDC Write - 0x21|Scrambler_Status| ",
                               "A9(SCDC)|SCDC Read  - 0x21|Scrambler_Status|[7:0]: 01h @3",
                               " | | |    [7] Rsvd (0) @3",
                               " | | |    [6] Rsvd (0) @3",
                               " | | |    [5] Rsvd (0) @3",
                               " | | |    [4] Rsvd (0) @3",
                               " | | |    [3] Rsvd (0) @3",
                               " | | |    [2] Rsvd (0) @3",
                               " | | |    [1] Rsvd (0) @3",
                               " | | |    [0] Scrambling_Status (1) - detected @3",
                               "A8(SCDC)|SCDC Write - 0x40|Status_Flags_0| ",
                               "A9(SCDC)|SCDC Read  - 0x40|Status_Flags_0|[7:0]: 0Fh @3",
                               " | | |    [7] Rsvd (0) @3",
                               " | | |    [6] Rsvd (0) @3",
                               " | | |    [5] Rsvd (0) @3",
                               " | | |    [4] Rsvd (0) @3",
                               " | | |    [3] Ch2_Locked (1) - Ch2 Successfully decode @3",
                               " | | |    [2] Ch1_Locked (1) - Ch1 Successfully decode @3",
                               " | | |    [1] Ch0_Locked (1) - Ch0 Successfully decode @3",
                               " | | |    [0] Clock_Detected (1) - detected @3",
                               "A8(SCDC)|SCDC Write - 0x41|Status_Flags_1| ",
                               "A9(SCDC)|SCDC Read  - 0x41|Status_Flags_1|[7:0]: A5h @3",
                               " | | |    [7] Rsvd (1) @3",
                               " | | |    [6] Rsvd (0) @3",
                               " | | |    [5] Rsvd (1) @3",
                               " | | |    [4] Rsvd (0) @3",
                               " | | |    [3] Rsvd (0) @3",
                               " | | |    [2] Rsvd (1) @3",
                               " | | |    [1] Rsvd (0) @3",
                               " | | |    [0] Rsvd (1) @3",
                               "A8(SCDC)|SCDC Write - 0x12|Reserved for Update Related Uses| ",
                               "A9(SCDC)|SCDC Read  - 0x12|Reserved for Update Related Uses|Reserved @3",
                           }));
}

TEST_F(ScdcReportTest, ErrorCountersRead) {
    BusSynth bus = Bus();
    ddc::ScdcRead(bus, 0x50, Hex("3C"));
    ddc::ScdcRead(bus, 0x51, Hex("05"));
    ddc::ScdcRead(bus, 0x52, Hex("FF"));
    ddc::ScdcRead(bus, 0x53, Hex("85"));
    ddc::ScdcRead(bus, 0x54, Hex("00"));
    ddc::ScdcRead(bus, 0x55, Hex("7F"));
    ddc::ScdcRead(bus, 0x56, Hex("A7"));
    EXPECT_EQ(RowsOf(bus),
              (Rows{
                  "A8(SCDC)|SCDC Write - 0x50|Err_Det_0_L| ",
                  "A9(SCDC)|SCDC Read  - 0x50|Err_Det_0_L|[7:0] Channel 0 Error Count bits 7->0 (3Ch) @3",
                  "A8(SCDC)|SCDC Write - 0x51|Err_Det_0_H| ",
                  "A9(SCDC)|SCDC Read  - 0x51|Err_Det_0_H|[7:0]: 05h @3",
                  " | | |    [7] Ch0_Valid (0) - Invalid @3",
                  " | | |    [6:0] Channel 0 Error Count bis 14->8 (05h) @3",
                  "A8(SCDC)|SCDC Write - 0x52|Err_Det_1_L| ",
                  "A9(SCDC)|SCDC Read  - 0x52|Err_Det_1_L|[7:0] Channel 1 Error Count bits 7->0 (FFh) @3",
                  "A8(SCDC)|SCDC Write - 0x53|Err_Det_1_H| ",
                  "A9(SCDC)|SCDC Read  - 0x53|Err_Det_1_H|[7:0]: 85h @3",
                  " | | |    [7] Ch1_Valid (1) - Valid @3",
                  " | | |    [6:0] Channel 1 Error Count bits 14->8 (5h) @3",
                  "A8(SCDC)|SCDC Write - 0x54|Err_Det_2_L| ",
                  "A9(SCDC)|SCDC Read  - 0x54|Err_Det_2_L|[7:0] Channel 2 Error Count bits 7->0 (00h) @3",
                  "A8(SCDC)|SCDC Write - 0x55|Err_Det_2_H| ",
                  "A9(SCDC)|SCDC Read  - 0x55|Err_Det_2_H|[7:0]: 7Fh @3",
                  " | | |    [7] Ch2_Valid (0) - Invalid @3",
                  " | | |    [6:0] Channel 2 Error Count bits 14->8 (7Fh) @3",
                  "A8(SCDC)|SCDC Write - 0x56|Err_Det_Checksum| ",
                  "A9(SCDC)|SCDC Read  - 0x56|Err_Det_Checksum|[7:0] Checksum of Character Error "
                  "Detection (A7h) @3",
              }));
}

TEST_F(ScdcReportTest, ManufacturerAndDeviceIdentificationRead) {
    BusSynth bus = Bus();
    ddc::ScdcRead(bus, 0xD0, Hex("12"));
    ddc::ScdcRead(bus, 0xD1, Hex("0A"));
    ddc::ScdcRead(bus, 0xD2, Hex("D8"));
    ddc::ScdcRead(bus, 0xD3, Hex("44"));
    ddc::ScdcRead(bus, 0xDB, Hex("12"));
    ddc::ScdcRead(bus, 0xDC, Hex("03"));
    ddc::ScdcRead(bus, 0xDD, Hex("AB"));
    ddc::ScdcRead(bus, 0xC0, Hex("7F"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "A8(SCDC)|SCDC Write - 0xD0|Manufacturer IEEE OUI, Third Octet| ",
                               "A9(SCDC)|SCDC Read  - 0xD0|Manufacturer IEEE OUI, Third Octet|[7:0] "
                               "Manufacturer_OUI_1, Third Octet - 12h @3",
                               "A8(SCDC)|SCDC Write - 0xD1|Manufacturer IEEE OUI, Second Octet| ",
                               "A9(SCDC)|SCDC Read  - 0xD1|Manufacturer IEEE OUI, Second Octet|[7:0] "
                               "Manufacturer_OUI_2, Second Octet - 0Ah @3",
                               "A8(SCDC)|SCDC Write - 0xD2|Manufacturer IEEE OUI, First Octer| ",
                               "A9(SCDC)|SCDC Read  - 0xD2|Manufacturer IEEE OUI, First Octer|[7:0] "
                               "Manufacturer_OUI_3, First Octet - D8h @3",
                               "A8(SCDC)|SCDC Write - 0xD3|Device ID| ",
                               "A9(SCDC)|SCDC Read  - 0xD3|Device ID|[7:0]: 44h @3",
                               "A8(SCDC)|SCDC Write - 0xDB|Device ID| ",
                               "A9(SCDC)|SCDC Read  - 0xDB|Device ID|[7:0]: 12h @3",
                               " | | |    [7:4] Decice ID: Hardware_Major_Rev: 1h @3",
                               " | | |    [3:0] Device ID: Hardware_Minor_Rev: 2h @3",
                               "A8(SCDC)|SCDC Write - 0xDC|Device ID| ",
                               "A9(SCDC)|SCDC Read  - 0xDC|Device ID|[7:0] Software_Major_Rev: 03h @3",
                               "A8(SCDC)|SCDC Write - 0xDD|Device ID| ",
                               "A9(SCDC)|SCDC Read  - 0xDD|Device ID|[7:0] Software_Minor_Rev: ABh @3",
                               "A8(SCDC)|SCDC Write - 0xC0|Test_Config_0| ",
                               "A9(SCDC)|SCDC Read  - 0xC0|Test_Config_0|[7:0]: 7Fh @3",
                               " | | |    [7] TestReadRequest (0) - clear @3",
                               " | | |    [6:0] TestReadRequestDelay - wait 127ms @3",
                           }));
}

// A source cannot change what only the sink writes: such a write is explained as reserved data,
// while the same byte read back gets the register's own explanation (see the read tests).
TEST_F(ScdcReportTest, WritesToSinkOnlyRegistersAreReserved) {
    BusSynth bus = Bus();
    ddc::ScdcWrite(bus, 0x01, 0x00);
    ddc::ScdcWrite(bus, 0x01, 0x05);
    ddc::ScdcWrite(bus, 0x21, 0x01);
    ddc::ScdcWrite(bus, 0x40, 0x0F);
    ddc::ScdcWrite(bus, 0x55, 0x00);
    ddc::ScdcWrite(bus, 0xD3, 0x00);
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "A8(SCDC)|SCDC Write - 0x01|Sink Version|Reserved @6",
                               "A8(SCDC)|SCDC Write - 0x01|Sink Version|Unknown Data @6",
                               "A8(SCDC)|SCDC Write - 0x21|Scrambler_Status|Unknown Data @6",
                               "A8(SCDC)|SCDC Write - 0x40|Status_Flags_0|Unknown Data @6",
                               "A8(SCDC)|SCDC Write - 0x55|Err_Det_2_H|Reserved @6",
                               "A8(SCDC)|SCDC Write - 0xD3|Device ID|Reserved @6",
                           }));
}

TEST_F(ScdcReportTest, OffsetsWithoutARegisterAreReserved) {
    BusSynth bus = Bus();
    ddc::ScdcWrite(bus, 0x00, 0x00);
    ddc::ScdcWrite(bus, 0xBF, 0x01);
    ddc::ScdcRead(bus, 0x03, Hex("00"));
    ddc::ScdcRead(bus, 0x22, Hex("80"));
    ddc::ScdcRead(bus, 0x57, Hex("12"));
    ddc::ScdcRead(bus, 0x3F, Hex("01"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "A8(SCDC)|SCDC Write - 0x00|Reserved|Reserved @6",
                               "A8(SCDC)|SCDC Write - 0xBF|Reserved|Unknown Data @6",
                               "A8(SCDC)|SCDC Write - 0x03|Reserved| ",
                               "A9(SCDC)|SCDC Read  - 0x03|Reserved|Reserved @3",
                               "A8(SCDC)|SCDC Write - 0x22|Reserved| ",
                               "A9(SCDC)|SCDC Read  - 0x22|Reserved|Unknown Data @3",
                               "A8(SCDC)|SCDC Write - 0x57|Reserved| ",
                               "A9(SCDC)|SCDC Read  - 0x57|Reserved|Unknown Data @3",
                               "A8(SCDC)|SCDC Write - 0x3F|Reserved for Configuration| ",
                               "A9(SCDC)|SCDC Read  - 0x3F|Reserved for Configuration|Unknown Data @3",
                           }));
}

const Rows kUpdate0Of05 = {
    "    [7] Rsvd (0) @3",
    "    [6] Rsvd (0) @3",
    "    [5] Rsvd (0) @3",
    "    [4] Rsvd (0) @3",
    "    [3] Rsvd (0) @3",
    "    [2] RR_Test (1) - clear @3",
    "    [1] CED_Update (0) - reset @3",
    "    [0] Status_Update (1) - clear @3",
};
const Rows kUpdate1Of00 = {
    "    [7] Rsvd (0) @3", "    [6] Rsvd (0) @3", "    [5] Rsvd (0) @3", "    [4] Rsvd (0) @3",
    "    [3] Rsvd (0) @3", "    [2] Rsvd (0) @3", "    [1] Rsvd (0) @3", "    [0] Rsvd (0) @3",
};

Rows DataRows(const Rows& lines) {
    Rows rows;
    for (const std::string& line : lines) rows.push_back(" | | |" + line);
    return rows;
}

// A read with no offset written since the START is the sink's status poll: its bytes are
// Update_0 and Update_1, in pairs.
TEST_F(ScdcReportTest, StatusReadWithoutOffset) {
    BusSynth bus = Bus();
    ddc::CurrentAddressRead(bus, 0xA8, Hex("05 00"));
    ddc::CurrentAddressRead(bus, 0xA8, Hex("05"));
    ddc::CurrentAddressRead(bus, 0xA8, Hex("05 00 05 00"));
    // The one-byte poll consumed the packets up to its STOP; the next transaction is intact.
    ddc::ScdcWrite(bus, 0xDE, 0x5A);
    const Rows update0 = {"A9(SCDC)|SCDC Read  - 0x10|Update_0|[7:0]: 05h @3"};
    const Rows update1 = {" |SCDC Read  - 0x11|Update_1|[7:0]: 00h @3"};
    const Rows pair = update0 + DataRows(kUpdate0Of05) + update1 + DataRows(kUpdate1Of00);
    const Rows secondPair = Rows{" |SCDC Read  - 0x10|Update_0|[7:0]: 05h @3"} + DataRows(kUpdate0Of05) +
                            update1 + DataRows(kUpdate1Of00);
    EXPECT_EQ(RowsOf(bus), pair + update0 + DataRows(kUpdate0Of05) + pair + secondPair +
                               Rows{"A8(SCDC)|SCDC Write - 0xDE|Manufacturer Specific|[7:0]: 5Ah @6"});
}

// The STOP and START between the offset write and the read forget the offset; the repeated
// start of an ordinary register read keeps it.
TEST_F(ScdcReportTest, OffsetLivesUntilTheNextStart) {
    BusSynth bus = Bus();
    ddc::RegisterWrite(bus, 0xA8, 0x40, {});
    ddc::CurrentAddressRead(bus, 0xA8, Hex("05 00"));
    ddc::ScdcRead(bus, 0x50, Hex("01 02"));
    const Rows poll = Rows{"A8(SCDC)|SCDC Write - 0x40|Status_Flags_0| ",
                           "A9(SCDC)|SCDC Read  - 0x10|Update_0|[7:0]: 05h @3"} +
                      DataRows(kUpdate0Of05) + Rows{" |SCDC Read  - 0x11|Update_1|[7:0]: 00h @3"} +
                      DataRows(kUpdate1Of00);
    // Both bytes of this read are register 50h: the offset does not advance.
    const Rows counter = {
        "A8(SCDC)|SCDC Write - 0x50|Err_Det_0_L| ",
        "A9(SCDC)|SCDC Read  - 0x50|Err_Det_0_L|[7:0] Channel 0 Error Count bits 7->0 (01h) @3",
        " |SCDC Read  - 0x50|Err_Det_0_L|[7:0] Channel 0 Error Count bits 7->0 (02h) @3",
    };
    EXPECT_EQ(RowsOf(bus), poll + counter);
}

TEST_F(ScdcReportTest, UnacknowledgedByteAndSevenBitAddressing) {
    session_->SetEightBitAddress(false);
    BusSynth bus = Bus();
    bus.start().byte(0xA8).byte(0x01).restart().byte(0xA9).byte(0x0F, false).byte(0x00, false).stop();
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "54(SCDC)|SCDC Write - 0x01|Sink Version| ",
                               "54(SCDC)|SCDC Read  - 0x01|Sink Version|[7:0]: 0Fh @6",
                               " |SCDC Read  - 0x01|Sink Version|[7:0]: 00h @3",
                           }));
}

}  // namespace
}  // namespace hdmi
