// Extension blocks read over the bus and explained in the report through the exports: the map is
// chosen by the block's tag byte at the start of the read (10h and 50h have their own maps, any
// other tag falls back to the base-block map) and kept for the rest of the read, also where later
// bytes of the block would name another map; a 256-byte read from offset 0 explains the base block
// and dumps the rest.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "EdidReportHarness.h"

namespace hdmi {
namespace {

using edidtest::Block;
using edidtest::Concat;
using host::BusSynth;
using host::Hex;

// Acer AL711 behind a DisplayPort-to-HDMI adapter, as read from the adapter: the base block and
// its CTA-861 extension (tag 02h).
const std::vector<uint8_t> kAcerBase =
    Hex("00 FF FF FF FF FF FF 00 04 4F 81 67 9E 02 00 00 01 0D 01 03 A0 22 1B 78 BA 2C 12 A2 5A 4A 99 25"
        "1B 4E 56 BF EF 00 81 80 01 01 01 01 01 01 01 01 01 01 01 01 01 01 30 2A 00 98 51 00 2A 40 30 70"
        "13 00 52 0E 11 00 00 1E 00 00 00 FD 00 38 4B 18 50 0E 00 0A 20 20 20 20 20 20 00 00 00 FC 00 41"
        "63 65 72 20 41 4C 37 31 31 0A 20 20 00 00 00 FF 00 45 54 37 30 31 33 30 31 30 30 32 39 45 01 C1");
const std::vector<uint8_t> kAcerCta =
    Hex("02 03 1B 71 23 09 07 07 83 01 00 00 67 03 0C 00 10 00 80 21 43 01 10 84 E2 00 0F 01 1D 00 72 51"
        "D0 1E 20 6E 28 55 00 81 49 00 00 00 1E 00 00 00 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
        "00 00 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 10 00 00 00 00 00 00 00 00 00 00 00"
        "00 00 00 00 00 00 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 BF");

// Video timing block extension: three detailed timings (digital separate, digital composite,
// analog), one CVT descriptor, two standard timings, then unused bytes; one of them is not 0.
const std::vector<uint8_t> kTimingExtension = [] {
    std::vector<uint8_t> block = Block(Concat({
        Hex("10 01 03 01 02"),
        Hex("02 3A 80 18 71 38 2D 40 58 2C 45 00 C4 8E 21 00 00 1E"),
        Hex("8C 0A D0 8A 20 E0 2D 10 10 3E 96 00 C4 8E 21 00 00 36"),
        Hex("63 00 FF A5 F5 23 AB 10 FF 00 F1 DE D2 00 40 08 04 EF"),
        Hex("1B 24 2A"),
        Hex("D1 C0 01 01"),
    }));
    block[100] = 0x5A;
    return edidtest::WithChecksum(block);
}();

// Only a CVT descriptor: the timing and standard-timing sections are passed over.
const std::vector<uint8_t> kCvtOnlyExtension = Block(Hex("10 01 00 01 00 7F 13 FF"));

// Localized string extension in its published layout: one string table of 28 bytes in UTF 8 for
// Germany (276) in German (DEU), with manufacturer "Acme", model "Vision 27", serial "SN0042".
const std::vector<uint8_t> kStringExtension = Block(Concat({
    Hex("50 01 00 21 03"),
    Hex("1C 00 01 14 10 B5"),
    Hex("04 41 63 6D 65"),
    Hex("09 56 69 73 69 6F 6E 20 32 37"),
    Hex("06 53 4E 30 30 34 32"),
}));

class EdidExtensionReportTest : public edidtest::EdidReportTest {
  protected:
    BusSynth bus_{1'000'000, 100'000};
};

// ---- Other tags: the base-block map ---------------------------------------------------------------
TEST_F(EdidExtensionReportTest, CtaBlockFallsBackToTheBaseBlockMap) {
    // The extension is read from 80h as a real source reads it after the base block.
    host::ddc::EdidRead(bus_, kAcerCta, 0x80);
    ExpectGolden("extension_tag02_base_map", Report(bus_));
}

TEST_F(EdidExtensionReportTest, ReadOfTwoBlocksExplainsTheBaseBlockAndDumpsTheRest) {
    host::ddc::EdidRead(bus_, Concat({kAcerBase, kAcerCta}), 0x00);
    const host::ReportText& report = Report(bus_);
    ExpectGolden("read_256_bytes", report);
    // The checksum row closes the map; after it the 128 extension bytes are dumped eight to a row.
    const auto rows = NamesAndData(report);
    size_t checksum = 0;
    while (checksum < rows.size() && rows[checksum].first != "CheckSum") ++checksum;
    ASSERT_LT(checksum, rows.size());
    EXPECT_EQ(rows[checksum].second, "C1h");
    ASSERT_EQ(rows.size() - checksum - 1, 16u);
    EXPECT_EQ(rows[checksum + 1].second, "02 03 1B 71 23 09 07 07h");
    EXPECT_EQ(rows.back().second, "00 00 00 00 00 00 00 BFh");
}

// ---- Tag 10h ------------------------------------------------------------------------------------
TEST_F(EdidExtensionReportTest, TimingExtensionWalksEachSectionByItsCount) {
    host::ddc::EdidRead(bus_, kTimingExtension, 0x80);
    ExpectGolden("extension_tag10", Report(bus_));
}

TEST_F(EdidExtensionReportTest, TimingExtensionPassesOverSectionsWithoutItems) {
    host::ddc::EdidRead(bus_, kCvtOnlyExtension, 0x80);
    const auto rows = NamesAndData(Report(bus_));
    std::vector<std::string> names;
    for (const auto& row : rows) names.push_back(row.first);
    // One CVT descriptor, then the 119 unused bytes and the checksum; no timing or standard
    // timing rows.
    size_t cvt = 0;
    while (cvt < rows.size() && rows[cvt].first != "Coordinated Video Timing Descriptor") ++cvt;
    ASSERT_LT(cvt, rows.size());
    EXPECT_EQ(rows[cvt].second, "#1");
    EXPECT_EQ(rows[cvt + 1], (std::pair<std::string, std::string>{"Active Vertical Lines", "383"}));
    EXPECT_EQ(std::count(names.begin(), names.end(), "Detailed Timing Blocks"), 1) << "the count row only";
    EXPECT_EQ(std::count(names.begin(), names.end(), "Standard Timing Descriptor"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "Unused Byte"), 119);
    EXPECT_EQ(rows.back().first, "CheckSum");
    EXPECT_EQ(rows.back().second.find("Error"), std::string::npos);
}

// ---- Tag 50h ------------------------------------------------------------------------------------
TEST_F(EdidExtensionReportTest, StringExtensionReadThroughTheSegmentPointer) {
    // Block 2, behind segment 1, as an E-DDC source reads it.
    host::ddc::EdidRead(bus_, kStringExtension, 0x00, 1);
    ExpectGolden("extension_tag50", Report(bus_));
}

TEST_F(EdidExtensionReportTest, EmptyStringsArePassedOverAndTheUnusedBytesStillFollow) {
    // No model name and no serial number: their byte entries are passed over; the 106 bytes after
    // the 16-byte table are unused and the checksum is the block's last byte.
    const std::vector<uint8_t> block = edidtest::Block(Concat(
        {Hex("50 01 00 21 03"), Hex("10 00 01 14 10 B5"), Hex("07 45 78 61 6D 70 6C 65"), Hex("00 00")}));
    host::ddc::EdidRead(bus_, block, 0x00, 1);
    const auto rows = NamesAndData(Report(bus_));
    std::vector<std::string> names;
    for (const auto& row : rows) names.push_back(row.first);
    const auto model = std::find(names.begin(), names.end(), "Model string length");
    ASSERT_NE(model, names.end());
    EXPECT_EQ(rows[model - names.begin()].second, "0");
    ASSERT_LT(model + 2, names.end());
    EXPECT_EQ(*(model + 1), "Serial Number string length");
    EXPECT_EQ(*(model + 2), "Unused Byte");
    EXPECT_EQ(std::count(names.begin(), names.end(), "Unused Byte"), 106);
    EXPECT_EQ(std::count(names.begin(), names.end(), " "), 7) << "the seven manufacturer bytes";
    EXPECT_EQ(rows.back().first, "CheckSum");
    EXPECT_EQ(rows.back().second.find("Error"), std::string::npos);
}

}  // namespace
}  // namespace hdmi
