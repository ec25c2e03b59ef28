// HDCP 1.x register traffic explained in the report, through the exports: every register of both
// ports, the key-selection vector test, a KSV FIFO read that runs on into new offsets, registers
// cut short, unmapped offsets, the short read of Ri', and a whole authentication as a source
// performs it (golden file tests/golden/hdcp_authentication.txt).
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

class HdcpReportTest : public RegisterReportTest {};

TEST_F(HdcpReportTest, TransmitterRegistersWritten) {
    BusSynth bus = Bus();
    ddc::HdcpWrite(bus, 0, 0x10, Hex("0F 0F 0F 0F 0F"));  // twenty ones
    ddc::HdcpWrite(bus, 0, 0x10, Hex("0F 0F 0F 0F 1F"));  // twenty-one
    ddc::HdcpWrite(bus, 0, 0x15, Hex("02"));
    ddc::HdcpWrite(bus, 0, 0x15, Hex("FD"));
    ddc::HdcpWrite(bus, 0, 0x18, Hex("01 23 45 67 89 AB CD EF"));
    // A write's last byte is acknowledged before the STOP, which the acknowledge test counts as an
    // anomaly: the Data cells of written registers carry pair 6.
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "74(HDCP)| |HDCP Offset = 10h| ",
                               " |0x10|HDCP Transmitter KSV(Aksv, Wr)|0F 0F 0F 0F 0Fh @6",
                               "74(HDCP)| |HDCP Offset = 10h| ",
                               " |0x10|HDCP Transmitter KSV(Aksv, Wr)|0F 0F 0F 0F 1Fh  KSV Invalid! @6",
                               "74(HDCP)| |HDCP Offset = 15h| ",
                               " |0x15|Reserved, 6Bits|00h @6",
                               " | |ENABLE_1.1_FEATURES(Ainfo, Wr)|Yes @6",
                               " | |Reserved, 1Bit|0h @6",
                               "74(HDCP)| |HDCP Offset = 15h| ",
                               " |0x15|Reserved, 6Bits|3Fh @6",
                               " | |ENABLE_1.1_FEATURES(Ainfo, Wr)|No @6",
                               " | |Reserved, 1Bit|1h @6",
                               "74(HDCP)| |HDCP Offset = 18h| ",
                               " |0x18|Session random number(An, Wr)|0123456789ABCDEF @6",
                           }));
}

TEST_F(HdcpReportTest, ReceiverKsvAndLinkVerificationRead) {
    BusSynth bus = Bus();
    ddc::HdcpRead(bus, 0, 0x00, Hex("51 1E F2 1A CD"));  // 3 + 4 + 5 + 3 + 5 ones
    ddc::HdcpRead(bus, 0, 0x00, Hex("51 1E F2 1A CC"));  // nineteen
    ddc::HdcpRead(bus, 0, 0x08, Hex("12 34"));
    ddc::HdcpRead(bus, 0, 0x0A, Hex("A5"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "74(HDCP)| |HDCP Offset = 00h| ",
                               "75(HDCP)|0x00|HDCP Receiver KSV(Bksv, Rd)|51 1E F2 1A CDh @3",
                               "74(HDCP)| |HDCP Offset = 00h| ",
                               "75(HDCP)|0x00|HDCP Receiver KSV(Bksv, Rd)|51 1E F2 1A CCh  KSV Invalid! @3",
                               "74(HDCP)| |HDCP Offset = 08h| ",
                               "75(HDCP)|0x08|Link verification response(Ri', Rd)|12 34h @3",
                               "74(HDCP)| |HDCP Offset = 0Ah| ",
                               "75(HDCP)|0x0A|Enhanced Link Verification Response(Pj', Rd)|A5h @3",
                           }));
}

// Each V' word is little-endian and shown last byte first. The two bytes A1h 56h of the names
// reach the report as ".V" (the report shows bytes above 7Fh as '.').
TEST_F(HdcpReportTest, RepeaterHashValuesRead) {
    BusSynth bus = Bus();
    ddc::HdcpRead(bus, 0, 0x20, Hex("11 22 33 44"));
    ddc::HdcpRead(bus, 0, 0x24, Hex("01 02 03 04"));
    ddc::HdcpRead(bus, 0, 0x28, Hex("A0 B0 C0 D0"));
    ddc::HdcpRead(bus, 0, 0x2C, Hex("0F 1E 2D 3C"));
    ddc::HdcpRead(bus, 0, 0x30, Hex("FF 00 FF 00"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "74(HDCP)| |HDCP Offset = 20h| ",
                               "75(HDCP)|0x20|SHA.V1 hash value(H0, Rd)|44 33 22 11h @3",
                               "74(HDCP)| |HDCP Offset = 24h| ",
                               "75(HDCP)|0x24|SHA.V1 hash value(H1, Rd)|04 03 02 01h @3",
                               "74(HDCP)| |HDCP Offset = 28h| ",
                               "75(HDCP)|0x28|SHA.V1 hash value(H2, Rd)|D0 C0 B0 A0h @3",
                               "74(HDCP)| |HDCP Offset = 2Ch| ",
                               "75(HDCP)|0x2C|SHA.V1 hash value(H3, Rd)|3C 2D 1E 0Fh @3",
                               "74(HDCP)| |HDCP Offset = 30h| ",
                               "75(HDCP)|0x30|SHA.V1 hash value(H4, Rd)|00 FF 00 FFh @3",
                           }));
}

TEST_F(HdcpReportTest, BcapsBitRows) {
    BusSynth bus = Bus();
    ddc::HdcpRead(bus, 0, 0x40, Hex("80"));
    ddc::HdcpRead(bus, 0, 0x40, Hex("7F"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "74(HDCP)| |HDCP Offset = 40h| ",
                               "75(HDCP)|0x40|Bcaps(Rd)| ",
                               " | |    HDMI_RESERVED|1 @3",
                               " | |    HDCP Repeater capability|0 @3",
                               " | |    KSV FIFO ready|0 @3",
                               " | |    FAST|0 @3",
                               " | |    Reserved, 2Bits|0 @3",
                               " | |    1.1_FEATURES|0 @3",
                               " | |    FAST_REAUTHENTICATION|0 @3",
                               "74(HDCP)| |HDCP Offset = 40h| ",
                               "75(HDCP)|0x40|Bcaps(Rd)| ",
                               " | |    HDMI_RESERVED|0 @3",
                               " | |    HDCP Repeater capability|1 @3",
                               " | |    KSV FIFO ready|1 @3",
                               " | |    FAST|1 @3",
                               " | |    Reserved, 2Bits|3 @3",
                               " | |    1.1_FEATURES|1 @3",
                               " | |    FAST_REAUTHENTICATION|1 @3",
                           }));
}

// Bstatus is little-endian: the second byte holds bits 15..8. The tab that opens the
// MAX_DEVS_EXCEEDED name reaches the report as '.'.
TEST_F(HdcpReportTest, BstatusBitRows) {
    BusSynth bus = Bus();
    ddc::HdcpRead(bus, 0, 0x41, Hex("03 12"));
    ddc::HdcpRead(bus, 0, 0x41, Hex("FC ED"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "74(HDCP)| |HDCP Offset = 41h| ",
                               "75(HDCP)|0x41|Bstatus(Rd)| ",
                               " | |    Reserved, 2Bits|0 @3",
                               " | |    HDMI_RESERVED|0 @3",
                               " | |    HDMI_MODE|1 @3",
                               " | |    MAX_CASCADE_EXCEEDED|0 @3",
                               " | |    DEPTH|2 @3",
                               " | |.  MAX_DEVS_EXCEEDED|0 @3",
                               " | |    DEVICE_COUNT|03 @3",
                               "74(HDCP)| |HDCP Offset = 41h| ",
                               "75(HDCP)|0x41|Bstatus(Rd)| ",
                               " | |    Reserved, 2Bits|3 @3",
                               " | |    HDMI_RESERVED|1 @3",
                               " | |    HDMI_MODE|0 @3",
                               " | |    MAX_CASCADE_EXCEEDED|1 @3",
                               " | |    DEPTH|5 @3",
                               " | |.  MAX_DEVS_EXCEEDED|1 @3",
                               " | |    DEVICE_COUNT|7C @3",
                           }));
}

// Every register access takes its own offset byte: after the one-byte FIFO register the next
// byte of the same read is an offset again, and so on to an unmapped offset whose bytes are dumped.
TEST_F(HdcpReportTest, KsvFifoReadRunsIntoNewOffsets) {
    BusSynth bus = Bus();
    ddc::HdcpRead(bus, 0, 0x43, Hex("3C 08 55 66 0A 77 C3 01 02 03"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "74(HDCP)| |HDCP Offset = 43h| ",
                               "75(HDCP)|0x43|KSV_FIFO|3C @3",
                               " | |HDCP Offset = 08h| ",
                               " |0x08|Link verification response(Ri', Rd)|55 66h @3",
                               " | |HDCP Offset = 0Ah| ",
                               " |0x0A|Enhanced Link Verification Response(Pj', Rd)|77h @3",
                               " | |HDCP Offset = C3h| ",
                               " | | |Reserved: 01 02 03 @3",
                           }));
}

TEST_F(HdcpReportTest, DebugRegisterShowsEightBytesPerRow) {
    std::vector<uint8_t> debug(64);
    for (size_t i = 0; i < debug.size(); ++i) debug[i] = static_cast<uint8_t>(i);
    BusSynth bus = Bus();
    ddc::HdcpRead(bus, 0, 0xC0, debug);
    ddc::HdcpRead(bus, 1, 0xC0, debug);
    const Rows register_rows = {
        "|0xC0|Debug Reg|0001020304050607h @3", " | | |08090A0B0C0D0E0Fh @3", " | | |1011121314151617h @3",
        " | | |18191A1B1C1D1E1Fh @3",           " | | |2021222324252627h @3", " | | |28292A2B2C2D2E2Fh @3",
        " | | |3031323334353637h @3",           " | | |38393A3B3C3D3E3Fh @3",
    };
    Rows expected = {"74(HDCP)| |HDCP Offset = C0h| ", "75(HDCP)" + register_rows[0]};
    expected.insert(expected.end(), register_rows.begin() + 1, register_rows.end());
    expected.push_back("76(HDCP)| |HDCP Offset = C0h| ");
    expected.push_back("77(HDCP)" + register_rows[0]);
    expected.insert(expected.end(), register_rows.begin() + 1, register_rows.end());
    EXPECT_EQ(RowsOf(bus), expected);
}

// A register whose bytes stop early produces no register rows; the row keeps the offset cell,
// and the next access starts afresh with an offset byte.
TEST_F(HdcpReportTest, RegisterCutShort) {
    BusSynth bus = Bus();
    ddc::HdcpRead(bus, 0, 0x00, Hex("51 1E F2"));
    ddc::HdcpRead(bus, 0, 0x08, Hex("12 34"));
    ddc::HdcpWrite(bus, 1, 0x18, Hex("01 02 03 04"));
    ddc::HdcpRead(bus, 1, 0x0A, Hex("5A"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "74(HDCP)| |HDCP Offset = 00h| ",
                               "75(HDCP)|0x00| | ",
                               "74(HDCP)| |HDCP Offset = 08h| ",
                               "75(HDCP)|0x08|Link verification response(Ri', Rd)|12 34h @3",
                               "76(HDCP)| |HDCP Offset = 18h| ",
                               " |0x18| | ",
                               "76(HDCP)| |HDCP Offset = 0Ah| ",
                               "77(HDCP)|0x0A|Enhanced Link Verification Response(Pj', Rd)|5Ah @3",
                           }));
}

// Too close to the end of the packets to hold the 64-byte register: the byte is not gathered and
// the offset is forgotten, so the next byte of the read is taken as an offset again (11h, not a
// register of the port) and the rest is dumped.
TEST_F(HdcpReportTest, DebugRegisterAtTheEndOfTheCaptureIsNotGathered) {
    BusSynth bus = Bus();
    ddc::HdcpRead(bus, 0, 0xC0, Hex("00 11 22 33"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "74(HDCP)| |HDCP Offset = C0h| ",
                               "75(HDCP)| |HDCP Offset = 11h| ",
                               " | | |Reserved: 22 33 @3",
                           }));
}

// The port at 76h/77h has the link registers and the debug register (above), but none of the
// repeater registers: their offsets are dumped as reserved bytes, eight to a row.
TEST_F(HdcpReportTest, SecondaryPort) {
    BusSynth bus = Bus();
    ddc::HdcpRead(bus, 1, 0x00, Hex("51 1E F2 1A CD"));
    ddc::HdcpRead(bus, 1, 0x08, Hex("9A BC"));
    ddc::HdcpWrite(bus, 1, 0x10, Hex("FF FF 0F 00 00"));
    ddc::HdcpWrite(bus, 1, 0x15, Hex("02"));
    ddc::HdcpWrite(bus, 1, 0x18, Hex("FE DC BA 98 76 54 32 10"));
    ddc::HdcpWrite(bus, 1, 0x40, Hex("01 02 03 04 05 06 07 08 09"));
    ddc::HdcpRead(bus, 1, 0x41, Hex("03 12"));
    ddc::HdcpRead(bus, 1, 0x20, Hex("11 22 33 44 55 66 77 88"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "76(HDCP)| |HDCP Offset = 00h| ",
                               "77(HDCP)|0x00|HDCP Receiver KSV(Bksv, Rd)|51 1E F2 1A CDh @3",
                               "76(HDCP)| |HDCP Offset = 08h| ",
                               "77(HDCP)|0x08|Link verification response(Ri', Rd)|9A BCh @3",
                               "76(HDCP)| |HDCP Offset = 10h| ",
                               " |0x10|HDCP Transmitter KSV(Aksv, Wr)|FF FF 0F 00 00h @6",
                               "76(HDCP)| |HDCP Offset = 15h| ",
                               " |0x15|Reserved, 6Bits|00h @6",
                               " | |ENABLE_1.1_FEATURES(Ainfo, Wr)|Yes @6",
                               " | |Reserved, 1Bit|0h @6",
                               "76(HDCP)| |HDCP Offset = 18h| ",
                               " |0x18|Session random number(An, Wr)|FEDCBA9876543210 @6",
                               "76(HDCP)| |HDCP Offset = 40h| ",
                               " | | |Reserved: 01 02 03 04 05 06 07 08 @6",
                               " | | |Reserved: 09 @6",
                               "76(HDCP)| |HDCP Offset = 41h| ",
                               "77(HDCP)| | |Reserved: 03 12 @6",
                               "76(HDCP)| |HDCP Offset = 20h| ",
                               "77(HDCP)| | |Reserved: 11 22 33 44 55 66 77 88 @6",
                           }));
}

// A read at 75h/77h with no offset written since the last access: the receiver's offset register
// rests on Ri', and the two bytes are explained as Ri' of the port read.
TEST_F(HdcpReportTest, ShortReadOfRiPrime) {
    BusSynth bus = Bus();
    ddc::CurrentAddressRead(bus, 0x74, Hex("12 34"));
    ddc::HdcpRead(bus, 0, 0x40, Hex("80"));
    ddc::CurrentAddressRead(bus, 0x74, Hex("56 78"));
    ddc::CurrentAddressRead(bus, 0x76, Hex("9A BC"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "75(HDCP)|0x08|Link verification response(Ri', Rd)|12 34h @3",
                               "74(HDCP)| |HDCP Offset = 40h| ",
                               "75(HDCP)|0x40|Bcaps(Rd)| ",
                               " | |    HDMI_RESERVED|1 @3",
                               " | |    HDCP Repeater capability|0 @3",
                               " | |    KSV FIFO ready|0 @3",
                               " | |    FAST|0 @3",
                               " | |    Reserved, 2Bits|0 @3",
                               " | |    1.1_FEATURES|0 @3",
                               " | |    FAST_REAUTHENTICATION|0 @3",
                               "75(HDCP)|0x08|Link verification response(Ri', Rd)|56 78h @3",
                               "77(HDCP)|0x08|Link verification response(Ri', Rd)|9A BCh @3",
                           }));
}

// With 7-bit addressing the address cell shows the 7-bit address for both directions.
TEST_F(HdcpReportTest, SevenBitAddressing) {
    session_->SetEightBitAddress(false);
    BusSynth bus = Bus();
    ddc::HdcpRead(bus, 1, 0x0A, Hex("A5"));
    ddc::CurrentAddressRead(bus, 0x74, Hex("12 34"));
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "3B(HDCP)| |HDCP Offset = 0Ah| ",
                               "3B(HDCP)|0x0A|Enhanced Link Verification Response(Pj', Rd)|A5h @3",
                               "3A(HDCP)|0x08|Link verification response(Ri', Rd)|12 34h @3",
                           }));
}

// A byte that was not acknowledged although more followed colours its register's Data cell.
TEST_F(HdcpReportTest, UnacknowledgedByteColoursTheRegister) {
    BusSynth bus = Bus();
    bus.start().byte(0x74).byte(0x08).restart().byte(0x75).byte(0x12, false).byte(0x34, false).stop();
    EXPECT_EQ(RowsOf(bus), (Rows{
                               "74(HDCP)| |HDCP Offset = 08h| ",
                               "75(HDCP)|0x08|Link verification response(Ri', Rd)|12 34h @6",
                           }));
}

// The offset row carries the clock of its address, a register's row the clock of the register's
// first data byte.
TEST_F(HdcpReportTest, RowClocks) {
    BusSynth bus = Bus();
    ddc::HdcpRead(bus, 0, 0x00, Hex("51 1E F2 1A CD"));
    const host::ReportText& report = Decode(bus);
    std::vector<int64_t> addresses;
    std::vector<int64_t> data;
    for (const host::Packet& packet : session_->Packets()) {
        if (packet.closing) continue;
        if (packet.kind == 2) addresses.push_back(packet.position);
        if (packet.kind == 7) data.push_back(packet.position);
    }
    ASSERT_EQ(addresses.size(), 2u);
    ASSERT_EQ(data.size(), 6u);
    const std::vector<host::ReportRow> rows = report.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].clock, addresses[0]);
    EXPECT_EQ(rows[1].clock, data[1]);
}

// An HDCP 1.x authentication as an HDMI source performs it, and the link checks that follow. Each
// read sets the receiver's offset with a write, then turns the bus round with a repeated start;
// each write ends with a STOP. The gaps are those a source leaves (the capture stores runs of
// equal levels, so long idle stretches cost nothing).
TEST_F(HdcpReportTest, AuthenticationGolden) {
    constexpr int64_t kMs = 1'000'000;  // ns
    BusSynth bus = Bus();
    // Bcaps: is the receiver a repeater, does it support 1.1 features?
    bus.start().byte(0x74).byte(0x40).restart().byte(0x75).read(Hex("80")).stop().idle(2 * kMs);
    // An, the session random number, then Aksv, whose write starts the receiver's computation.
    bus.start().byte(0x74).byte(0x18).write(Hex("34 27 1C 13 03 2E 5A E0")).stop().idle(1 * kMs);
    bus.start().byte(0x74).byte(0x10).write(Hex("B5 03 61 F7 1C")).stop().idle(1 * kMs);
    // Bksv, the receiver's key-selection vector.
    bus.start().byte(0x74).byte(0x00).restart().byte(0x75).read(Hex("51 1E F2 1A CD")).stop();
    // 100 ms later the first Ri' comparison, read through its offset.
    bus.idle(100 * kMs);
    bus.start().byte(0x74).byte(0x08).restart().byte(0x75).read(Hex("69 1E")).stop();
    // Link checks every two seconds with the short read: the offset register rests on Ri'.
    bus.idle(2000 * kMs);
    bus.start().byte(0x75).read(Hex("C4 7D")).stop();
    bus.idle(2000 * kMs);
    bus.start().byte(0x75).read(Hex("0B 92")).stop();
    const host::ReportText& report = Decode(bus);
    EXPECT_EQ(report.Rows().size(), 19u);
    ExpectGolden("hdcp_authentication", report);
}

}  // namespace
}  // namespace hdmi
