// SCDC traffic explained in the report, through the exports: writes and reads of every
// formatter's register, writes to registers only the sink writes, offsets without a register, the
// status poll without an offset, and the offset's life across repeated starts and stops (golden
// rows in scdc_register_rows.txt).
#include <cstdint>
#include <utility>
#include <vector>

#include "RegisterReport.h"

namespace hdmi {
namespace {

using host::BusSynth;
using host::Hex;
using register_report::RegisterReportTest;
using register_report::Rows;

namespace ddc = host::ddc;

class ScdcReportTest : public RegisterReportTest {};

// Each script on a capture of its own; the rendered rows are in tests/golden/scdc_register_rows.txt.
// A write's last byte is followed by the STOP, which the acknowledge test counts as an anomaly:
// written values carry pair 6.
TEST_F(ScdcReportTest, RegisterRowsGolden) {
    const std::vector<register_report::Script> scripts = {
        // The last write is offset 02h and two values: both are register 02h (the offset does not
        // advance); only the first carries the access cells.
        {"source-writable registers written",
         [](BusSynth& bus) {
             ddc::ScdcWrite(bus, 0x20, 0x03);
             ddc::ScdcWrite(bus, 0x10, 0x05);
             ddc::ScdcWrite(bus, 0x11, 0x80);
             ddc::ScdcWrite(bus, 0x30, 0x01);
             ddc::ScdcWrite(bus, 0xC0, 0x8A);
             ddc::ScdcWrite(bus, 0xDE, 0x5A);
             ddc::RegisterWrite(bus, 0xA8, 0x02, Hex("01 01"));
         }},
        {"status and configuration registers read",
         [](BusSynth& bus) {
             ddc::ScdcRead(bus, 0x01, Hex("01"));
             ddc::ScdcRead(bus, 0x20, Hex("00"));
             ddc::ScdcRead(bus, 0x21, Hex("01"));
             ddc::ScdcRead(bus, 0x40, Hex("0F"));
             ddc::ScdcRead(bus, 0x41, Hex("A5"));
             ddc::ScdcRead(bus, 0x12, Hex("00"));
         }},
        {"error counters read",
         [](BusSynth& bus) {
             for (auto [offset, value] : {std::pair{0x50, "3C"},
                                          {0x51, "05"},
                                          {0x52, "FF"},
                                          {0x53, "85"},
                                          {0x54, "00"},
                                          {0x55, "7F"},
                                          {0x56, "A7"}})
                 ddc::ScdcRead(bus, static_cast<uint8_t>(offset), Hex(value));
         }},
        {"manufacturer and device identification read",
         [](BusSynth& bus) {
             for (auto [offset, value] : {std::pair{0xD0, "12"},
                                          {0xD1, "0A"},
                                          {0xD2, "D8"},
                                          {0xD3, "44"},
                                          {0xDB, "12"},
                                          {0xDC, "03"},
                                          {0xDD, "AB"},
                                          {0xC0, "7F"}})
                 ddc::ScdcRead(bus, static_cast<uint8_t>(offset), Hex(value));
         }},
        // A source cannot change what only the sink writes: such a write is reserved data, while
        // the same byte read back gets the register's own explanation.
        {"writes to sink-only registers",
         [](BusSynth& bus) {
             ddc::ScdcWrite(bus, 0x01, 0x00);
             ddc::ScdcWrite(bus, 0x01, 0x05);
             ddc::ScdcWrite(bus, 0x21, 0x01);
             ddc::ScdcWrite(bus, 0x40, 0x0F);
             ddc::ScdcWrite(bus, 0x55, 0x00);
             ddc::ScdcWrite(bus, 0xD3, 0x00);
         }},
        {"offsets without a register",
         [](BusSynth& bus) {
             ddc::ScdcWrite(bus, 0x00, 0x00);
             ddc::ScdcWrite(bus, 0xBF, 0x01);
             ddc::ScdcRead(bus, 0x03, Hex("00"));
             ddc::ScdcRead(bus, 0x22, Hex("80"));
             ddc::ScdcRead(bus, 0x57, Hex("12"));
             ddc::ScdcRead(bus, 0x3F, Hex("01"));
         }},
        // A read with no offset written since the START is the sink's status poll: Update_0 and
        // Update_1, in pairs. The one-byte poll consumes the packets up to its STOP; the next
        // transaction is intact.
        {"status read without offset",
         [](BusSynth& bus) {
             ddc::CurrentAddressRead(bus, 0xA8, Hex("05 00"));
             ddc::CurrentAddressRead(bus, 0xA8, Hex("05"));
             ddc::CurrentAddressRead(bus, 0xA8, Hex("05 00 05 00"));
             ddc::ScdcWrite(bus, 0xDE, 0x5A);
         }},
        // The STOP and START between the offset write and the read forget the offset; the
        // repeated start of an ordinary read keeps it, and both bytes of that read are 50h.
        {"offset lives until the next start",
         [](BusSynth& bus) {
             ddc::RegisterWrite(bus, 0xA8, 0x40, {});
             ddc::CurrentAddressRead(bus, 0xA8, Hex("05 00"));
             ddc::ScdcRead(bus, 0x50, Hex("01 02"));
         }},
        // A byte not acknowledged although more followed colours its row; 7-bit address cells.
        {"unacknowledged byte, 7-bit addressing",
         [](BusSynth& bus) {
             bus.start().byte(0xA8).byte(0x01).restart().byte(0xA9);
             bus.byte(0x0F, false).byte(0x00, false).stop();
         },
         false},
    };
    EXPECT_TRUE(RowsMatchGolden(scripts, "scdc_register_rows"));
}

}  // namespace
}  // namespace hdmi
