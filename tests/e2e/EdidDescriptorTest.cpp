// The 18-byte descriptors of the base block read over the bus and explained in the report through
// the exports: detailed timings with every sync branch, every display-descriptor tag, and the
// range-limit descriptor with each timing-support flags value and the continuous-frequency bit it
// is checked against. The descriptors are read on their own (a read from 36h, 48h, 5Ah or 6Ch),
// so each golden file holds the descriptor rows and little else.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "EdidReportHarness.h"

namespace hdmi {
namespace {

using host::BusSynth;
using host::Hex;

constexpr uint8_t kDescriptor1 = 0x36;
constexpr uint8_t kDescriptor2 = 0x48;
constexpr uint8_t kDescriptor3 = 0x5A;
constexpr uint8_t kDescriptor4 = 0x6C;
constexpr uint8_t kFeatureSupport = 0x18;

class EdidDescriptorReportTest : public edidtest::EdidReportTest {
  protected:
    BusSynth bus_{1'000'000, 100'000};

    void Read(const std::string& hex, uint8_t offset) { host::ddc::EdidRead(bus_, Hex(hex), offset); }
    // Base-block byte 18h alone: its bit 0 (continuous frequency) is the saved value that the
    // range-limit descriptor's flags are checked against.
    void ReadFeatureByte(uint8_t value) {
        host::ddc::EdidRead(bus_, std::vector<uint8_t>{value}, kFeatureSupport);
    }
};

// ---- Detailed timings ---------------------------------------------------------------------------
TEST_F(EdidDescriptorReportTest, DetailedTimingsWithEverySyncBranch) {
    Read(
        // 1920 x 1080 at 148.5 MHz, digital separate sync, both polarities positive.
        "02 3A 80 18 71 38 2D 40 58 2C 45 00 C4 8E 21 00 00 1E"
        // 720 x 480, digital composite with serrations, field-sequential stereo (right).
        "8C 0A D0 8A 20 E0 2D 10 10 3E 96 00 C4 8E 21 00 00 36"
        // 990 kHz; every value with its high bits set; interlaced, side-by-side stereo, analog
        // bipolar composite with serrations on all three signals.
        "63 00 FF A5 F5 23 AB 10 FF 00 F1 DE D2 00 40 08 04 EF"
        // 1 MHz, 640 x 480, field-sequential stereo (left), analog composite on green only.
        "64 00 80 A0 20 E0 2D 10 10 3E 96 00 58 2C 00 00 00 40",
        kDescriptor1);
    ExpectGolden("descriptor_timings", Report(bus_));
}

// Byte 17 alone decides the sync branch: each read shows its own sync rows and none of the other
// branches' (negative polarities, digital composite without serrations, analog composite on green
// only, bipolar with serrations on all three signals).
TEST_F(EdidDescriptorReportTest, SyncBranchesGolden) {
    for (uint8_t byte17 : {0x1E, 0x18, 0x10, 0x00, 0x0E}) {
        std::vector<uint8_t> timing = Hex("02 3A 80 18 71 38 2D 40 58 2C 45 00 C4 8E 21 00 00 00");
        timing[17] = byte17;
        host::ddc::EdidRead(bus_, timing, kDescriptor2);
    }
    ExpectGolden("descriptor_sync_branches", Report(bus_));
}

// ---- Range limits ---------------------------------------------------------------------------------
TEST_F(EdidDescriptorReportTest, RangeLimitsWithEachTimingSupportFlagsValue) {
    // Continuous frequency, secondary GTF curve: start 40 kHz, C 40, M 600, K 128, J 20.
    ReadFeatureByte(0x0B);
    Read("00 00 00 FD 00 38 4B 1E 51 0F 02 00 14 50 58 02 80 28", kDescriptor1);
    // Continuous frequency, CVT support: version 1.1, 160 MHz less 0.75, 1920 pixels per line, and
    // each aspect, blanking and scaling bit on its own value.
    ReadFeatureByte(0x0B);
    Read("00 00 00 FD 00 30 4B 1E 53 10 04 11 0C F0 D5 3A A3 3C", kDescriptor2);
    // Not continuous, default GTF: vertical offset code 2 (271 / 48 Hz), horizontal code 3, no
    // maximum pixel clock.
    ReadFeatureByte(0x0A);
    Read("00 00 00 FD 0E 30 10 1E 51 00 00 0A 20 20 20 20 20 20", kDescriptor3);
    // Continuous, range limits only: the reserved vertical offset code 1 and a zero minimum
    // horizontal rate are errors.
    ReadFeatureByte(0x0B);
    Read("00 00 00 FD 01 38 4B 00 51 0F 01 0A 20 20 20 20 20 20", kDescriptor4);
    // Continuous, a reserved flags value; the next descriptor's value 3 is then checked against
    // the 5 the first one saved, not against byte 18h.
    ReadFeatureByte(0x0B);
    Read(
        "00 00 00 FD 00 38 4B 1E 51 0F 05 0A 20 20 20 20 20 20"
        "00 00 00 FD 00 38 4B 1E 51 0F 03 0A 20 20 20 20 20 20",
        kDescriptor1);
    ExpectGolden("descriptor_range_limits", Report(bus_));
}

// ---- The other tags ---------------------------------------------------------------------------------
TEST_F(EdidDescriptorReportTest, TextAndColorPointDescriptors) {
    Read(
        // Serial number HS8LB02851, ended by a line feed and padded with blanks.
        "00 00 00 FF 00 48 53 38 4C 42 30 32 38 35 31 0A 20 20"
        // A data string with bytes that are not printable, including the line feed.
        "00 00 00 FE 00 51 7E 7F 00 1F 80 FF 41 42 09 0A 20 20"
        // Product name XYZ.
        "00 00 00 FC 00 58 59 5A 0A 20 20 20 20 20 20 20 20 20"
        // Two white points; the second has no gamma of its own.
        "00 00 00 FB 00 01 09 50 54 78 02 0C A3 54 FF 0A 20 20",
        kDescriptor1);
    ExpectGolden("descriptor_text_and_color_point", Report(bus_));
}

TEST_F(EdidDescriptorReportTest, TimingListsColorManagementAndCvtCodes) {
    Read(
        // Standard timings 9..14: each aspect ratio, a reserved pixel byte.
        "00 00 00 FA 00 D1 C0 81 80 71 4F 01 01 00 3B A9 40 0A"
        // Colour management: six coefficients, each shown high byte first.
        "00 00 00 F9 00 03 11 22 33 44 55 66 77 88 99 AA BB CC"
        // CVT codes: 1080 lines 16:9 at 60 Hz; code 2 not defined; 768 lines with every rate
        // and reserved bit set; code 4 not defined.
        "00 00 00 F8 00 01 1B 24 2A 00 00 00 7F 13 FF 00 00 00"
        // Established timings III: alternating bits, the reserved nibble and bytes 12..17.
        "00 00 00 F7 00 0A A5 5A F0 0F 81 A3 00 11 22 33 44 55",
        kDescriptor1);
    ExpectGolden("descriptor_timing_lists", Report(bus_));
}

TEST_F(EdidDescriptorReportTest, DummyManufacturerReservedTagsAndFourCvtCodes) {
    Read(
        // Dummy descriptor, manufacturer tag 05h, reserved tag 42h.
        "00 00 00 10 00 00 01 02 03 04 05 06 07 08 09 0A 0B 0C"
        "00 00 00 05 00 10 20 30 40 50 60 70 80 90 A0 B0 C0 D0"
        "00 00 00 42 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D"
        // All four CVT codes defined: 1080, 768, 600 and 1200 lines, each aspect ratio.
        "00 00 00 F8 00 01 1B 24 2A 7F 13 FF 2B 18 40 57 2C 11",
        kDescriptor1);
    ExpectGolden("descriptor_other_tags", Report(bus_));
}

TEST_F(EdidDescriptorReportTest, EachUndefinedCvtCodeGoesOnToTheNextCode) {
    // Code 2 defined, code 3 not, code 4 defined: "Not Defined" under the third caption only.
    Read("00 00 00 F8 00 01 1B 24 2A 7F 13 FF 00 00 00 57 2C 11", kDescriptor1);
    std::vector<std::string> captions;
    for (const auto& [name, data] : NamesAndData(Report(bus_)))
        if (name.rfind("CVT 3 Byte Code Descriptor with", 0) == 0 || name == "Not Defined" ||
            name == "Addressable Lines per Field")
            captions.push_back(name + (data == " " ? "" : " = " + data));
    EXPECT_EQ(captions, (std::vector<std::string>{
                            "CVT 3 Byte Code Descriptor with the #1 (Highest) Priority",
                            "Addressable Lines per Field = 1080",
                            "CVT 3 Byte Code Descriptor with the #2 Priority",
                            "Addressable Lines per Field = 768",
                            "CVT 3 Byte Code Descriptor with the #3 Priority",
                            "Not Defined",
                            "CVT 3 Byte Code Descriptor with the #4 (Lowest) Priority",
                            "Addressable Lines per Field = 1200",
                        }));
}

}  // namespace
}  // namespace hdmi
