// The base-block value formatters: every branch of their texts, the number formats at their
// boundaries, the decoder state they read or change, and the argument checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "ddc/DdcDecoder.h"
#include "edid/EdidMaps.h"

namespace hdmi {
namespace {

class EdidFormatterTest : public ::testing::Test {
  protected:
    // Calls a formatter the way the interpreter does: a zeroed 128-byte buffer, the row's values.
    std::string Run(EntryFormatter formatter, std::initializer_list<uint8_t> values, int32_t bitCount) {
        char out[128] = {};
        uint8_t bytes[5] = {};
        std::copy(values.begin(), values.end(), bytes);
        result_ = (decoder_.*formatter)(out, sizeof out, bytes, bitCount);
        return out;
    }

    CDdcDecoder decoder_;
    int32_t result_ = 0;
};

TEST_F(EdidFormatterTest, ManufacturerNameIsThreeFiveBitLetters) {
    const EntryFormatter f = &CDdcDecoder::FormatManufacturerName;
    EXPECT_EQ(Run(f, {0x04, 0x21}, 16), "AAA");
    EXPECT_EQ(result_, 0);
    EXPECT_EQ(Run(f, {0x4C, 0x2D}, 16), "SAM");
    EXPECT_EQ(Run(f, {0x04, 0x72}, 16), "ACR");
    // Bit 7 of the first byte is not part of the name.
    EXPECT_EQ(Run(f, {0x84, 0x21}, 16), "AAA");
    // Codes outside 1..26 are shown as the characters they map to, not dropped.
    EXPECT_EQ(Run(f, {0x00, 0x00}, 16), "@@@");
    EXPECT_EQ(Run(f, {0x7F, 0xFF}, 16), "___");
    // The letter split across the two bytes: high two bits from byte 0, low three from byte 1.
    EXPECT_EQ(Run(f, {0x02, 0x00}, 16), "@P@");
    EXPECT_EQ(Run(f, {0x00, 0xE0}, 16), "@G@");
}

TEST_F(EdidFormatterTest, WeekYearShowsTheWeekOnlyForWeeksOneToFiftyFour) {
    const EntryFormatter f = &CDdcDecoder::FormatWeekYear;
    EXPECT_EQ(Run(f, {0x00, 0x1E}, 16), "Manufacture Year = 2020");
    EXPECT_EQ(Run(f, {0xFF, 0x1E}, 16), "Model Year = 2020");
    EXPECT_EQ(Run(f, {1, 0x1E}, 16), "Manufacture Year = 2020, Weeks 1");
    EXPECT_EQ(Run(f, {54, 0x1E}, 16), "Manufacture Year = 2020, Weeks 54");
    EXPECT_EQ(Run(f, {55, 0x1E}, 16), "Manufacture Year = 2020");
    EXPECT_EQ(Run(f, {0xFE, 0x1E}, 16), "Manufacture Year = 2020");
    EXPECT_EQ(Run(f, {45, 0x00}, 16), "Manufacture Year = 1990, Weeks 45");
    EXPECT_EQ(Run(f, {45, 0xFF}, 16), "Manufacture Year = 2245, Weeks 45");
    EXPECT_EQ(result_, 0);
}

TEST_F(EdidFormatterTest, ScreenSizeOrAspectRatioByWhichBytesAreZero) {
    const EntryFormatter f = &CDdcDecoder::FormatScreenSize;
    EXPECT_EQ(Run(f, {0x29, 0x1E}, 16), "Horizontal Screen Size = 41 cm , Vertical Screen Size = 30 cm");
    EXPECT_EQ(Run(f, {0x4F, 0x00}, 16), "Aspect Ratio (Landscape) = 1.78 : 1AR");
    EXPECT_EQ(Run(f, {0xFF, 0x00}, 16), "Aspect Ratio (Landscape) = 3.54 : 1AR");
    EXPECT_EQ(Run(f, {0x00, 0x4F}, 16), "Aspect Ratio (Portrait) = 0.56 : 1AR");
    EXPECT_EQ(Run(f, {0x00, 0x01}, 16), "Aspect Ratio (Portrait) = 1.00 : 1AR");
    EXPECT_EQ(Run(f, {0x00, 0x00}, 16), "The screen size or aspect ratio are unknown or undefined");
    EXPECT_EQ(result_, 0);
}

TEST_F(EdidFormatterTest, GammaIsHundredthsAboveOneUnlessStoredElsewhere) {
    const EntryFormatter f = &CDdcDecoder::FormatGamma;
    EXPECT_EQ(Run(f, {0x78}, 8), "GAMMA = 2.20");
    EXPECT_EQ(Run(f, {0x00}, 8), "GAMMA = 1.00");
    EXPECT_EQ(Run(f, {0xFE}, 8), "GAMMA = 3.54");
    EXPECT_EQ(Run(f, {0xFF}, 8), "GAMMA value is stored in an extension block");
    EXPECT_EQ(result_, 0);
}

TEST_F(EdidFormatterTest, ChromaticityIsATenBitFractionWithSevenDecimals) {
    const EntryFormatter f = &CDdcDecoder::FormatChromaticity;
    EXPECT_EQ(Run(f, {0xA3, 3}, 10), "0.6396484");
    EXPECT_EQ(Run(f, {0x54, 2}, 10), "0.3300781");
    EXPECT_EQ(Run(f, {0x00, 0}, 10), "0.0000000");
    EXPECT_EQ(Run(f, {0x00, 1}, 10), "0.0009766");
    EXPECT_EQ(Run(f, {0xFF, 3}, 10), "0.9990234");
    EXPECT_EQ(Run(f, {0x80, 0}, 10), "0.5000000");
    // Only the two low-order bits of the second value count.
    EXPECT_EQ(Run(f, {0xA3, 0xFF}, 10), "0.6396484");
    // Without a continued row the high byte stands alone.
    EXPECT_EQ(Run(f, {0xA3, 3}, 8), "0.6367188");
    EXPECT_EQ(Run(f, {0xA3, 3}, 16), "0.6396484");
    EXPECT_EQ(result_, 0);
}

TEST_F(EdidFormatterTest, StandardTimingInTheBaseBlockHasPixelsOnEvenCalls) {
    const EntryFormatter f = &CDdcDecoder::FormatStandardTiming;
    decoder_.currentMap = kBaseBlockMap;
    decoder_.formatterCalls = 0;
    EXPECT_EQ(Run(f, {0x01}, 8), "256");
    decoder_.formatterCalls = 1;
    EXPECT_EQ(Run(f, {0x01}, 6), "61 Hz");
    decoder_.formatterCalls = 2;
    EXPECT_EQ(Run(f, {0xD1}, 8), "1920");
    decoder_.formatterCalls = 3;
    EXPECT_EQ(Run(f, {0x00}, 6), "60 Hz");
    decoder_.formatterCalls = 14;
    EXPECT_EQ(Run(f, {0x00}, 8), "Reserved Value");
    decoder_.formatterCalls = 15;
    EXPECT_EQ(Run(f, {0x3F}, 6), "123 Hz");
    decoder_.formatterCalls = 4;
    EXPECT_EQ(Run(f, {0xFF}, 8), "2288");
    EXPECT_EQ(result_, 0);
}

TEST_F(EdidFormatterTest, StandardTimingAfterAHeaderCallHasPixelsOnOddCalls) {
    const EntryFormatter f = &CDdcDecoder::FormatStandardTiming;
    // A standard-timing descriptor: call 0 was its tag.
    decoder_.currentMap = kBaseBlockMap;
    decoder_.descriptorKind = 6;
    decoder_.formatterCalls = 1;
    EXPECT_EQ(Run(f, {0x81}, 8), "1280");
    decoder_.formatterCalls = 2;
    EXPECT_EQ(Run(f, {0x0F}, 6), "75 Hz");
    decoder_.formatterCalls = 11;
    EXPECT_EQ(Run(f, {0x00}, 8), "Reserved Value");
    EXPECT_EQ(decoder_.descriptorKind, 6);

    // A standard-timing block of the tag-10h extension: call 0 was the block number, and
    // descriptorKind holds the extension's counters, which must stay as they are.
    decoder_.currentMap = kExtensionTag10Map;
    decoder_.descriptorKind = 0x00010203;
    decoder_.formatterCalls = 1;
    EXPECT_EQ(Run(f, {0x01}, 8), "256");
    decoder_.formatterCalls = 2;
    EXPECT_EQ(Run(f, {0x01}, 6), "61 Hz");
    EXPECT_EQ(decoder_.descriptorKind, 0x00010203);
}

TEST_F(EdidFormatterTest, StandardTimingOfTheBaseBlockIgnoresADescriptorKindLeftByAnEarlierRead) {
    // The last descriptor of an earlier read was a standard-timing descriptor; the next read of
    // the base block's standard timings must still put pixels on the even calls.
    const EntryFormatter f = &CDdcDecoder::FormatStandardTiming;
    decoder_.currentMap = kBaseBlockMap;
    decoder_.descriptorKind = 6;
    decoder_.formatterCalls = 0;
    EXPECT_EQ(Run(f, {0x01}, 8), "256");
    decoder_.formatterCalls = 1;
    EXPECT_EQ(Run(f, {0x02}, 6), "62 Hz");
    decoder_.formatterCalls = 2;
    EXPECT_EQ(Run(f, {0x01}, 8), "256");
}

TEST_F(EdidFormatterTest, ChecksumIsMarkedWhenTheRunningSumIsNotZero) {
    const EntryFormatter f = &CDdcDecoder::FormatChecksum;
    decoder_.checksum = 0;
    EXPECT_EQ(Run(f, {0xE5}, 8), "E5h");
    EXPECT_EQ(Run(f, {0x00}, 8), "00h");
    decoder_.checksum = 0x01;
    EXPECT_EQ(Run(f, {0xE5}, 8), "E5h, Error!");
    decoder_.checksum = 0xFF;
    EXPECT_EQ(Run(f, {0x0A}, 8), "0Ah, Error!");
    EXPECT_EQ(result_, 0);
    // The formatter only reads the sum; the driver keeps it.
    EXPECT_EQ(decoder_.checksum, 0xFF);
}

// Each formatter with a bit count it accepts and the nearest ones it refuses.
struct BitCountCase {
    const char* name;
    EntryFormatter formatter;
    int32_t accepted;
    std::vector<int32_t> refused;
};

TEST_F(EdidFormatterTest, BadArgumentsAndUnexpectedBitCountsGiveMinusOne) {
    const BitCountCase cases[] = {
        {"manufacturer", &CDdcDecoder::FormatManufacturerName, 16, {8, 15, 17, 0}},
        {"week/year", &CDdcDecoder::FormatWeekYear, 16, {8, 15, 17}},
        {"screen size", &CDdcDecoder::FormatScreenSize, 16, {8, 15, 17}},
        {"gamma", &CDdcDecoder::FormatGamma, 8, {7, 9, 16}},
        {"chromaticity", &CDdcDecoder::FormatChromaticity, 16, {17, 40}},
        {"standard timing", &CDdcDecoder::FormatStandardTiming, 1, {0, -1}},
        {"checksum", &CDdcDecoder::FormatChecksum, 1, {0, -8}},
    };
    for (const BitCountCase& c : cases) {
        SCOPED_TRACE(c.name);
        char out[128] = {};
        const uint8_t bytes[5] = {0x10, 0x20, 0, 0, 0};
        EXPECT_EQ((decoder_.*c.formatter)(out, sizeof out, bytes, c.accepted), 0);
        EXPECT_NE(out[0], '\0');
        for (int32_t bits : c.refused)
            EXPECT_EQ((decoder_.*c.formatter)(out, sizeof out, bytes, bits), -1) << bits;
        EXPECT_EQ((decoder_.*c.formatter)(nullptr, sizeof out, bytes, c.accepted), -1);
        EXPECT_EQ((decoder_.*c.formatter)(out, sizeof out, nullptr, c.accepted), -1);
        EXPECT_EQ((decoder_.*c.formatter)(out, -1, bytes, c.accepted), -1);
    }
}

TEST_F(EdidFormatterTest, TextIsCutToTheBufferNeverOverrun) {
    // The longest text of these formatters in a buffer of 12: eleven characters and the NUL, and
    // the byte after the buffer untouched.
    char out[13];
    std::memset(out, '#', sizeof out);
    const uint8_t bytes[2] = {0, 0};
    ASSERT_EQ(decoder_.FormatScreenSize(out, 12, bytes, 16), 0);
    EXPECT_STREQ(out, "The screen ");
    EXPECT_EQ(out[12], '#');

    // A zero-sized buffer receives nothing.
    std::memset(out, '#', sizeof out);
    ASSERT_EQ(decoder_.FormatGamma(out, 0, bytes, 8), 0);
    EXPECT_EQ(out[0], '#');
}

}  // namespace
}  // namespace hdmi
