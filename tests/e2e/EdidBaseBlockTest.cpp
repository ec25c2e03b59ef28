// EDID base blocks read over the bus and explained in the report, through the exports as a host
// drives them: two real displays, blocks composed to reach the rows the real ones leave out, reads
// that start inside the block, a current-address read, a bad checksum and anomalous acknowledges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "EdidReportHarness.h"

namespace hdmi {
namespace {

using host::BusSynth;
using host::Hex;
using host::ReportRow;
using host::ReportText;

// ---- EDIDs ----------------------------------------------------------------------------------------
// Samsung SyncMaster 203B, analog input, as read from the display.
const std::vector<uint8_t> kSamsungAnalog =
    Hex("00 FF FF FF FF FF FF 00 4C 2D 1B 02 30 32 41 48 2D 10 01 03 0E 29 1E 78 2A EE 95 A3 54 4C 99 26"
        "0F 50 54 BF EF 80 90 40 81 40 71 4F 81 80 01 01 01 01 01 01 01 01 8F 2F 78 D0 51 1A 27 40 58 90"
        "34 00 98 2C 11 00 00 1D 00 00 00 FD 00 38 4B 1E 51 10 00 0A 20 20 20 20 20 20 00 00 00 FC 00 53"
        "79 6E 63 4D 61 73 74 65 72 0A 20 20 00 00 00 FF 00 48 53 38 4C 42 30 32 38 35 31 0A 20 20 00 E5");

// Acer AL711 behind a DisplayPort/HDMI/VGA adapter, digital input, as read on the bus.
const std::vector<uint8_t> kAcerDigital =
    Hex("00 FF FF FF FF FF FF 00 04 4F 81 67 9E 02 00 00 01 0D 01 03 A0 22 1B 78 BA 2C 12 A2 5A 4A 99 25"
        "1B 4E 56 BF EF 00 81 80 01 01 01 01 01 01 01 01 01 01 01 01 01 01 30 2A 00 98 51 00 2A 40 30 70"
        "13 00 52 0E 11 00 00 1E 00 00 00 FD 00 38 4B 18 50 0E 00 0A 20 20 20 20 20 20 00 00 00 FC 00 41"
        "63 65 72 20 41 4C 37 31 31 0A 20 20 00 00 00 FF 00 45 54 37 30 31 33 30 31 30 30 32 39 45 01 C1");

// Composed, digital: name ZZZ, model year, colour depth 7 and interface 6 (both "Reserved"), a
// landscape aspect ratio instead of a size, gamma in an extension, all power modes and YCrCb
// 4:4:4, every low-bit position of the colour values in use, alternating established timings,
// standard timings with a reserved pixel byte and each aspect ratio, one extension.
const std::vector<uint8_t> kComposedDigital =
    Hex("00 FF FF FF FF FF FF 00 6B 5A 34 12 78 56 34 12 FF 1E 01 04 F6 4F 00 FF EA E4 1B A3 54 4C 99 26"
        "0F 50 54 A5 5A 81 01 01 00 00 D1 C0 81 80 71 4F FF 7F 45 40 61 59 02 3A 80 18 71 38 2D 40 58 2C"
        "45 00 C4 8E 21 00 00 1E 00 00 00 FC 00 58 59 5A 0A 20 20 20 20 20 20 20 20 20 00 00 00 FD 00 32"
        "4B 1E 53 0F 00 0A 20 20 20 20 20 20 00 00 00 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 08");

// Composed, analog: signal level 3 with pedestal and every sync option, a portrait aspect ratio,
// gamma 1.00, week 54, undefined colour type with sRGB default and continuous frequency, the
// complementary established timings with the reserved bits set.
const std::vector<uint8_t> kComposedAnalog =
    Hex("00 FF FF FF FF FF FF 00 04 21 01 00 00 00 00 00 36 1E 01 03 7F 00 4F 00 1F 1B E4 00 FF 80 7F 40"
        "C0 01 FE 5A A5 7F 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 8F 2F 78 D0 51 1A 27 40 58 90"
        "34 00 98 2C 11 00 00 0E 00 00 00 FD 00 38 4B 1E 51 10 00 0A 20 20 20 20 20 20 00 00 00 FC 00 41"
        "4E 41 4C 4F 47 0A 20 20 20 20 20 20 00 00 00 FF 00 31 32 33 0A 20 20 20 20 20 20 20 20 20 00 3A");

uint8_t ByteSum(const std::vector<uint8_t>& bytes) {
    return static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

// ---- Harness --------------------------------------------------------------------------------------
class EdidBaseBlockTest : public edidtest::EdidReportTest {
  protected:
    static BusSynth Bus() { return BusSynth(1'000'000, 100'000); }

    const ReportText& ReportOfRead(const std::vector<uint8_t>& edid, uint8_t offset = 0) {
        BusSynth bus = Bus();
        host::ddc::EdidRead(bus, edid, offset);
        return Report(bus);
    }
};

// Rows whose name cell is `name`, in report order.
std::vector<ReportRow> RowsNamed(const ReportText& report, const std::string& name) {
    std::vector<ReportRow> found;
    for (const ReportRow& row : report.Rows())
        if (row.cells.size() == 4 && row.cells[2] == name) found.push_back(row);
    return found;
}

constexpr int kDataPair = 3;
constexpr int kAnomalyPair = 6;

// ---- Whole blocks ---------------------------------------------------------------------------------
TEST_F(EdidBaseBlockTest, RealDisplaysAreExplainedEntryByEntry) {
    ASSERT_EQ(ByteSum(kSamsungAnalog), 0);
    ASSERT_EQ(ByteSum(kAcerDigital), 0);
    ExpectGolden("samsung_syncmaster203b_analog", ReportOfRead(kSamsungAnalog));
    ExpectGolden("acer_al711_digital", ReportOfRead(kAcerDigital));
}

TEST_F(EdidBaseBlockTest, ComposedBlocksReachTheRemainingRowsAndValues) {
    ASSERT_EQ(ByteSum(kComposedDigital), 0);
    ASSERT_EQ(ByteSum(kComposedAnalog), 0);
    ExpectGolden("composed_digital", ReportOfRead(kComposedDigital));
    ExpectGolden("composed_analog", ReportOfRead(kComposedAnalog));
}

// ---- Reads that do not start at the block's first byte ----------------------------------------------
TEST_F(EdidBaseBlockTest, ReadFromInsideTheBlockStartsAtThatEntryAndMarksThePartialChecksum) {
    // From 10h the walk begins with the week and year; the checksum then covers only the bytes
    // read, so even a sound block is marked.
    const std::vector<uint8_t> tail(kSamsungAnalog.begin() + 0x10, kSamsungAnalog.end());
    BusSynth bus = Bus();
    host::ddc::EdidRead(bus, tail, 0x10);
    ExpectGolden("samsung_from_10h", Report(bus));
}

TEST_F(EdidBaseBlockTest, ShortReadsAtAnEntryInsideAnEntryAndWithoutOffset) {
    BusSynth bus = Bus();
    // At 08h: the manufacturer name, then the product code.
    host::ddc::EdidRead(
        bus, std::vector<uint8_t>(kSamsungAnalog.begin() + 0x08, kSamsungAnalog.begin() + 0x0C), 0x08);
    // At 09h no entry begins: ten bytes dumped, eight to a row.
    host::ddc::EdidRead(
        bus, std::vector<uint8_t>(kSamsungAnalog.begin() + 0x09, kSamsungAnalog.begin() + 0x13), 0x09);
    // No offset written first: nothing says where the bytes are, so they are dumped.
    host::ddc::CurrentAddressRead(bus, 0xA0,
                                  std::vector<uint8_t>(kSamsungAnalog.begin(), kSamsungAnalog.begin() + 12));
    ExpectGolden("short_reads", Report(bus));
}

// ---- Checksum ---------------------------------------------------------------------------------------
TEST_F(EdidBaseBlockTest, BadChecksumMarksOnlyTheChecksumRow) {
    std::vector<uint8_t> corrupted = kSamsungAnalog;
    corrupted[0x7F] = 0xE6;
    const std::vector<std::string> good = ReportOfRead(kSamsungAnalog).lines;
    const std::vector<std::string> bad = ReportOfRead(corrupted).lines;
    ASSERT_EQ(good.size(), bad.size());
    std::vector<size_t> differing;
    for (size_t i = 0; i < good.size(); ++i)
        if (good[i] != bad[i]) differing.push_back(i);
    ASSERT_EQ(differing.size(), 1u);
    const auto goodRow = host::ParseReportRow(good[differing[0]]);
    const auto badRow = host::ParseReportRow(bad[differing[0]]);
    ASSERT_TRUE(goodRow && badRow);
    EXPECT_EQ(goodRow->cells, (std::vector<std::string>{" ", "0x7F", "CheckSum", "E5h"}));
    EXPECT_EQ(badRow->cells, (std::vector<std::string>{" ", "0x7F", "CheckSum", "E6h, Error!"}));
}

// ---- Acknowledge anomalies --------------------------------------------------------------------------
TEST_F(EdidBaseBlockTest, NackedByteAndAckedLastByteColourTheirEntries) {
    // Bytes 08h..13h: the master leaves byte 0Bh unacknowledged in mid-read and acknowledges the
    // last byte before its stop. Both entries are drawn with the anomaly pair, the others with
    // the ordinary data pair.
    BusSynth bus = Bus();
    bus.start().byte(0xA0).byte(0x08).restart().byte(0xA1);
    for (int offset = 0x08; offset <= 0x13; ++offset) bus.byte(kSamsungAnalog[offset], offset != 0x0B);
    bus.stop();
    const ReportText& report = Report(bus);
    ExpectGolden("nacked_bytes", report);

    const auto pairOf = [&](const std::string& name) {
        const std::vector<ReportRow> rows = RowsNamed(report, name);
        return rows.size() == 1 && rows[0].pairs.size() == 4 ? rows[0].pairs[3] : -1;
    };
    EXPECT_EQ(pairOf("ID Manufacturer Name"), kDataPair);
    EXPECT_EQ(pairOf("ID Product Code"), kAnomalyPair);
    EXPECT_EQ(pairOf("ID Serial Number"), kDataPair);
    EXPECT_EQ(pairOf("Week and Year of Manufacture or Model Year"), kDataPair);
    EXPECT_EQ(pairOf("EDID Version Number"), kDataPair);
    EXPECT_EQ(pairOf("EDID Revision Number"), kAnomalyPair);
}

// ---- State carried from one read to the next ---------------------------------------------------------
TEST_F(EdidBaseBlockTest, StandardTimingsAreTheSameOnEveryReadAfterAStandardTimingDescriptor) {
    // The last descriptor lists standard timings 9..14; a second read of the block must still
    // show the base block's own standard timings pixels first.
    std::vector<uint8_t> edid = kComposedDigital;
    const std::vector<uint8_t> standardTimings = Hex("00 00 00 FA 00 81 80 71 4F 01 01 01 01 01 01 01 01 0A");
    std::copy(standardTimings.begin(), standardTimings.end(), edid.begin() + 0x6C);
    edid = edidtest::WithChecksum(edid);

    BusSynth bus = Bus();
    host::ddc::EdidRead(bus, edid);
    host::ddc::EdidRead(bus, edid);
    const ReportText& report = Report(bus);

    std::vector<std::string> pixels;
    for (const ReportRow& row : RowsNamed(report, "    Horizontal addressable pixels"))
        pixels.push_back(row.cells[3]);
    std::vector<std::string> refresh;
    for (const ReportRow& row : RowsNamed(report, "    Field Refresh Rate")) refresh.push_back(row.cells[3]);
    // Per read: eight base-block timings, then the descriptor's six.
    const std::vector<std::string> pixelsPerRead = {
        "256",  "Reserved Value", "1920", "1280", "1152", "2288", "800", "1024",  // base block
        "1280", "1152",           "256",  "256",  "256",  "256",                  // descriptor
    };
    const std::vector<std::string> refreshPerRead = {
        "61 Hz", "60 Hz", "60 Hz", "60 Hz", "75 Hz", "123 Hz", "60 Hz", "85 Hz",  // base block
        "60 Hz", "75 Hz", "61 Hz", "61 Hz", "61 Hz", "61 Hz",                     // descriptor
    };
    std::vector<std::string> expectedPixels = pixelsPerRead, expectedRefresh = refreshPerRead;
    expectedPixels.insert(expectedPixels.end(), pixelsPerRead.begin(), pixelsPerRead.end());
    expectedRefresh.insert(expectedRefresh.end(), refreshPerRead.begin(), refreshPerRead.end());
    EXPECT_EQ(pixels, expectedPixels);
    EXPECT_EQ(refresh, expectedRefresh);
}

}  // namespace
}  // namespace hdmi
