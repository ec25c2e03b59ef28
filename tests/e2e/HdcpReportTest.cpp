// HDCP 1.x register traffic explained in the report, through the exports: every register of both
// ports, the key-selection vector test, a KSV FIFO read that runs on into new offsets, registers
// cut short, unmapped offsets, the short read of Ri' (golden rows in hdcp_register_rows.txt), and
// a whole authentication as a source performs it (golden report in hdcp_authentication.txt).
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

// Each script on a capture of its own; the rendered rows are in tests/golden/hdcp_register_rows.txt.
// A write's last byte is acknowledged before the STOP, which the acknowledge test counts as an
// anomaly: the Data cells of written registers carry pair 6.
TEST_F(HdcpReportTest, RegisterRowsGolden) {
    std::vector<uint8_t> debug(64);
    for (size_t i = 0; i < debug.size(); ++i) debug[i] = static_cast<uint8_t>(i);
    const std::vector<register_report::Script> scripts = {
        {"transmitter registers written; KSV of twenty and twenty-one ones",
         [](BusSynth& bus) {
             ddc::HdcpWrite(bus, 0, 0x10, Hex("0F 0F 0F 0F 0F"));
             ddc::HdcpWrite(bus, 0, 0x10, Hex("0F 0F 0F 0F 1F"));
             ddc::HdcpWrite(bus, 0, 0x15, Hex("02"));
             ddc::HdcpWrite(bus, 0, 0x15, Hex("FD"));
             ddc::HdcpWrite(bus, 0, 0x18, Hex("01 23 45 67 89 AB CD EF"));
         }},
        {"receiver KSV of twenty and nineteen ones, link verification read",
         [](BusSynth& bus) {
             ddc::HdcpRead(bus, 0, 0x00, Hex("51 1E F2 1A CD"));
             ddc::HdcpRead(bus, 0, 0x00, Hex("51 1E F2 1A CC"));
             ddc::HdcpRead(bus, 0, 0x08, Hex("12 34"));
             ddc::HdcpRead(bus, 0, 0x0A, Hex("A5"));
         }},
        // Each V' word is little-endian and shown last byte first. The two bytes A1h 56h of the
        // names reach the report as ".V" (bytes above 7Fh show as '.').
        {"repeater hash values read",
         [](BusSynth& bus) {
             ddc::HdcpRead(bus, 0, 0x20, Hex("11 22 33 44"));
             ddc::HdcpRead(bus, 0, 0x24, Hex("01 02 03 04"));
             ddc::HdcpRead(bus, 0, 0x28, Hex("A0 B0 C0 D0"));
             ddc::HdcpRead(bus, 0, 0x2C, Hex("0F 1E 2D 3C"));
             ddc::HdcpRead(bus, 0, 0x30, Hex("FF 00 FF 00"));
         }},
        // Bstatus is little-endian: the second byte holds bits 15..8. The tab that opens the
        // MAX_DEVS_EXCEEDED name reaches the report as '.'.
        {"Bcaps and Bstatus bit rows",
         [](BusSynth& bus) {
             ddc::HdcpRead(bus, 0, 0x40, Hex("80"));
             ddc::HdcpRead(bus, 0, 0x40, Hex("7F"));
             ddc::HdcpRead(bus, 0, 0x41, Hex("03 12"));
             ddc::HdcpRead(bus, 0, 0x41, Hex("FC ED"));
         }},
        // Every register access takes its own offset byte: after the one-byte FIFO register the
        // next byte of the same read is an offset again, and so on to an unmapped offset.
        {"KSV FIFO read runs into new offsets",
         [](BusSynth& bus) { ddc::HdcpRead(bus, 0, 0x43, Hex("3C 08 55 66 0A 77 C3 01 02 03")); }},
        {"debug register of both ports, eight bytes a row",
         [&debug](BusSynth& bus) {
             ddc::HdcpRead(bus, 0, 0xC0, debug);
             ddc::HdcpRead(bus, 1, 0xC0, debug);
         }},
        // No register rows; the row keeps the offset cell, and the next access starts afresh.
        {"registers cut short",
         [](BusSynth& bus) {
             ddc::HdcpRead(bus, 0, 0x00, Hex("51 1E F2"));
             ddc::HdcpRead(bus, 0, 0x08, Hex("12 34"));
             ddc::HdcpWrite(bus, 1, 0x18, Hex("01 02 03 04"));
             ddc::HdcpRead(bus, 1, 0x0A, Hex("5A"));
         }},
        // Too close to the end to hold the 64-byte register: the offset is forgotten, the next
        // byte (11h, no register) is an offset again and the rest is dumped.
        {"debug register at the end of the capture",
         [](BusSynth& bus) { ddc::HdcpRead(bus, 0, 0xC0, Hex("00 11 22 33")); }},
        // Link registers and the debug register, none of the repeater registers: their offsets
        // are dumped as reserved bytes, eight to a row.
        {"secondary port",
         [](BusSynth& bus) {
             ddc::HdcpRead(bus, 1, 0x00, Hex("51 1E F2 1A CD"));
             ddc::HdcpRead(bus, 1, 0x08, Hex("9A BC"));
             ddc::HdcpWrite(bus, 1, 0x10, Hex("FF FF 0F 00 00"));
             ddc::HdcpWrite(bus, 1, 0x15, Hex("02"));
             ddc::HdcpWrite(bus, 1, 0x18, Hex("FE DC BA 98 76 54 32 10"));
             ddc::HdcpWrite(bus, 1, 0x40, Hex("01 02 03 04 05 06 07 08 09"));
             ddc::HdcpRead(bus, 1, 0x41, Hex("03 12"));
             ddc::HdcpRead(bus, 1, 0x20, Hex("11 22 33 44 55 66 77 88"));
         }},
        // No offset written since the last access: the receiver's offset register rests on Ri'.
        {"short reads of Ri'",
         [](BusSynth& bus) {
             ddc::CurrentAddressRead(bus, 0x74, Hex("12 34"));
             ddc::HdcpRead(bus, 0, 0x40, Hex("80"));
             ddc::CurrentAddressRead(bus, 0x74, Hex("56 78"));
             ddc::CurrentAddressRead(bus, 0x76, Hex("9A BC"));
         }},
        // A byte not acknowledged although more followed colours its register's Data cell.
        {"unacknowledged byte",
         [](BusSynth& bus) {
             bus.start().byte(0x74).byte(0x08).restart().byte(0x75);
             bus.byte(0x12, false).byte(0x34, false).stop();
         }},
        // The address cell shows the 7-bit address for both directions.
        {"7-bit addressing",
         [](BusSynth& bus) {
             ddc::HdcpRead(bus, 1, 0x0A, Hex("A5"));
             ddc::CurrentAddressRead(bus, 0x74, Hex("12 34"));
         },
         false},
    };
    EXPECT_TRUE(RowsMatchGolden(scripts, "hdcp_register_rows"));
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
