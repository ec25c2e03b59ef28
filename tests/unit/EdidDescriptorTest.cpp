// The formatters of the 18-byte descriptors and of the extension blocks, called as the interpreter
// calls them: every branch of their texts, the decoder state they read and leave behind (kind,
// saved value, counters, section mask), their results, and the argument checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>

#include "ddc/DdcDecoder.h"
#include "edid/DescriptorKinds.h"
#include "edid/EdidMaps.h"

namespace hdmi {
namespace {

class EdidDescriptorTest : public ::testing::Test {
  protected:
    // One formatter call with `calls` earlier calls in the entry: a zeroed 128-byte buffer and the
    // row's values, as the interpreter hands them over.
    std::string Run(EntryFormatter formatter, int32_t calls, std::initializer_list<uint8_t> values,
                    int32_t bitCount) {
        char out[128] = {};
        uint8_t bytes[5] = {};
        std::copy(values.begin(), values.end(), bytes);
        decoder_.formatterCalls = calls;
        result_ = (decoder_.*formatter)(out, sizeof out, bytes, bitCount);
        return out;
    }
    std::string Descriptor(int32_t calls, std::initializer_list<uint8_t> values, int32_t bitCount) {
        return Run(&CDdcDecoder::FormatDescriptor, calls, values, bitCount);
    }
    // The header call of a display descriptor with `tag`.
    void StartDescriptor(uint8_t tag) {
        Descriptor(0, {0x00, 0x00, 0x00, tag}, 32);
        ASSERT_GE(result_, 1);
    }
    uint32_t Count(int shift) const {
        return (static_cast<uint32_t>(decoder_.descriptorKind) >> shift) & 0xFF;
    }

    CDdcDecoder decoder_;
    int32_t result_ = 0;
};

// ---- Descriptor header ----------------------------------------------------------------------------
TEST_F(EdidDescriptorTest, HeaderTellsTimingsFromDisplayDescriptorsAndReturnsTheSection) {
    struct Case {
        uint8_t tag;
        int32_t kind;
    };
    const Case cases[] = {
        {0xFF, kSerialNumberDescriptor},    {0xFE, kDataStringDescriptor},
        {0xFD, kRangeLimitsDescriptor},     {0xFC, kProductNameDescriptor},
        {0xFB, kColorPointDescriptor},      {0xFA, kStandardTimingDescriptor},
        {0xF9, kColorManagementDescriptor}, {0xF8, kCvtCodeDescriptor},
        {0xF7, kEstablishedTimingsIII},     {0x10, kDummyDescriptor},
        {0x00, kManufacturerDescriptor},    {0x05, kManufacturerDescriptor},
        {0x0F, kManufacturerDescriptor},    {0x11, kReservedTagDescriptor},
        {0x42, kReservedTagDescriptor},     {0xF6, kReservedTagDescriptor},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Descriptor(0, {0x00, 0x00, 0x00, c.tag}, 32), "") << int{c.tag};
        EXPECT_EQ(result_, c.kind) << int{c.tag};
        EXPECT_EQ(decoder_.descriptorKind, c.kind) << int{c.tag};
    }
    // Either of bytes 0 and 1 non-zero makes it a detailed timing, whatever byte 3 holds, and
    // replaces the kind an earlier descriptor left.
    for (auto header : {std::initializer_list<uint8_t>{0x02, 0x3A, 0x80, 0xFC},
                        {0x01, 0x00, 0x00, 0xFF},
                        {0x00, 0x01, 0x00, 0xFD}}) {
        decoder_.descriptorKind = kRangeLimitsDescriptor;
        Descriptor(0, header, 32);
        EXPECT_EQ(result_, 0);
        EXPECT_EQ(decoder_.descriptorKind, kDetailedTiming);
    }
}

// ---- Detailed timing ------------------------------------------------------------------------------
TEST_F(EdidDescriptorTest, PixelClockIsInKilohertzBelowOneMegahertz) {
    decoder_.descriptorKind = kDetailedTiming;
    EXPECT_EQ(Descriptor(1, {0x02, 0x3A}, 16), "148.500000MHz");
    EXPECT_EQ(Descriptor(1, {0x64, 0x00}, 16), "1.000000MHz");
    EXPECT_EQ(Descriptor(1, {0x63, 0x00}, 16), "990KHz");
    EXPECT_EQ(Descriptor(1, {0x00, 0x00}, 16), "0KHz");
    EXPECT_EQ(Descriptor(1, {0xFF, 0xFF}, 16), "655.350000MHz");
    EXPECT_EQ(result_, 0);
}

TEST_F(EdidDescriptorTest, TimingNumbersJoinTheirHighBitsByWidth) {
    decoder_.descriptorKind = kDetailedTiming;
    // Twelve bits: a low byte and a high nibble (1920 = 780h).
    EXPECT_EQ(Descriptor(2, {0x80, 0x07}, 12), "1920");
    // Ten bits: a low byte and two high bits.
    EXPECT_EQ(Descriptor(6, {0x58, 0x02}, 10), "600");
    // Six bits: a low nibble and two high bits make 4 + 2, so the high part weighs 16.
    EXPECT_EQ(Descriptor(8, {0x0F, 0x03}, 6), "63");
    EXPECT_EQ(Descriptor(8, {0x04, 0x00}, 6), "4");
    // One byte alone.
    EXPECT_EQ(Descriptor(3, {0xFF}, 8), "255");
    EXPECT_EQ(result_, 0);
}

// ---- Sections with table texts ---------------------------------------------------------------------
TEST_F(EdidDescriptorTest, SectionsExplainedByTheTableAloneGetNoFormatterText) {
    for (uint8_t tag : {0xF9, 0xF7, 0x10, 0x05, 0x42}) {
        StartDescriptor(tag);
        EXPECT_EQ(Descriptor(1, {0x41}, 8), "") << int{tag};
        EXPECT_EQ(result_, 0);
    }
}

// ---- Range limits ---------------------------------------------------------------------------------
TEST_F(EdidDescriptorTest, RangeLimitRatesAddTheOffsetsTheCodeAsksFor) {
    StartDescriptor(0xFD);
    // Vertical: maximum, minimum, offset code.
    EXPECT_EQ(Descriptor(1, {0x4B, 0x38, 0}, 18), "Maximum 75Hz, Minimum 56Hz");
    EXPECT_EQ(Descriptor(1, {0x10, 0x30, 2}, 18), "Maximum 271Hz, Minimum 48Hz");
    EXPECT_EQ(Descriptor(1, {0x10, 0x30, 3}, 18), "Maximum 271Hz, Minimum 303Hz");
    // Code 1 is reserved: both offsets, marked as an error.
    EXPECT_EQ(Descriptor(1, {0x10, 0x30, 1}, 18), "Error! Maximum 271Hz, Minimum 303Hz");
    // A zero rate byte is an error, also when the code lifts it.
    EXPECT_EQ(Descriptor(1, {0x4B, 0x00, 0}, 18), "Error! Maximum 75Hz, Minimum 0Hz");
    EXPECT_EQ(Descriptor(1, {0x00, 0x38, 2}, 18), "Error! Maximum 255Hz, Minimum 56Hz");
    // Horizontal, in kHz.
    EXPECT_EQ(Descriptor(2, {0x51, 0x1E, 0}, 18), "Maximum 81KHz, Minimum 30KHz");
    EXPECT_EQ(Descriptor(2, {0x51, 0x1E, 3}, 18), "Maximum 336KHz, Minimum 285KHz");
    EXPECT_EQ(Descriptor(2, {0x51, 0x00, 1}, 18), "Error! Maximum 336KHz, Minimum 255KHz");
    EXPECT_EQ(result_, 0);
    // Maximum pixel clock in 10 MHz steps.
    EXPECT_EQ(Descriptor(3, {0x0F}, 8), "150MHz");
    EXPECT_EQ(Descriptor(3, {0xFF}, 8), "2550MHz");
    EXPECT_EQ(Descriptor(3, {0x00}, 8), "Reserved Value 00");
}

TEST_F(EdidDescriptorTest, TimingSupportFlagsAreCheckedAgainstTheContinuousFrequencyBit) {
    struct Case {
        uint32_t saved;  // bit 0 of base-block byte 18h, as saved there
        uint8_t flags;
        const char* text;
        int32_t result;
    };
    const Case cases[] = {
        {1, 0, "Default GTF supported", 0},
        {1, 1, "Range Limits Only", 0},
        {1, 2, "Secondary GTF supported", static_cast<int32_t>(kSecondaryGtfLabel)},
        {1, 3, "Reserved", 0},
        {1, 4, "CVT supported", static_cast<int32_t>(kCvtSupportLabel)},
        {1, 5, "Value 05 is Reserved!", 0},
        {1, 0xFF, "Value FF is Reserved!", 0},
        {0, 0, "00  18.0h = 0", 0},
        {0, 1, "Range Limits Only", 0},
        {0, 2, "Secondary GTF supported Error, Address Byte 18.0h != 1",
         static_cast<int32_t>(kSecondaryGtfLabel)},
        {0, 4, "CVT supported Error, Address Byte 18.0h != 1", static_cast<int32_t>(kCvtSupportLabel)},
        {0, 7, "Value 07 is Reserved!", 0},
        // A saved value other than 0 or 1 (a flags value of an earlier descriptor) is not "= 0".
        {4, 0, "Default GTF supported Error, Address Byte 18.0h != 1", 0},
        {2, 1, "Range Limits Only", 0},
    };
    StartDescriptor(0xFD);
    for (const Case& c : cases) {
        decoder_.savedValue = c.saved;
        decoder_.subCounter = 9;
        EXPECT_EQ(Descriptor(4, {c.flags}, 8), c.text) << c.saved << " " << int{c.flags};
        EXPECT_EQ(result_, c.result) << c.saved << " " << int{c.flags};
        EXPECT_EQ(decoder_.subCounter, 0);
        EXPECT_EQ(decoder_.savedValue, c.saved) << "the flags row saves the value, not the formatter";
    }
}

TEST_F(EdidDescriptorTest, SecondaryCurveFieldsFollowTheirOrder) {
    StartDescriptor(0xFD);
    decoder_.savedValue = 2;
    decoder_.subCounter = 0;
    EXPECT_EQ(Descriptor(5, {0x14}, 8), "40");
    EXPECT_EQ(Descriptor(6, {0x50}, 8), "40.000000");
    EXPECT_EQ(Descriptor(7, {0x58, 0x02}, 16), "600");
    EXPECT_EQ(Descriptor(8, {0x29}, 8), "20.500000");
    EXPECT_EQ(Descriptor(9, {0x29}, 8), "");
    EXPECT_EQ(decoder_.subCounter, 5);
    EXPECT_EQ(decoder_.savedValue, 2u);
    EXPECT_EQ(result_, 0);
}

TEST_F(EdidDescriptorTest, CvtSupportFieldsAndTheNoLimitText) {
    StartDescriptor(0xFD);
    // Any saved value other than 2 takes the CVT fields and becomes 4.
    decoder_.savedValue = 3;
    decoder_.subCounter = 0;
    EXPECT_EQ(Descriptor(5, {0x0F, 0x03}, 14), "149.250000");
    EXPECT_EQ(decoder_.savedValue, 4u);
    EXPECT_EQ(Descriptor(6, {0x00, 0x00}, 10), "No limit on the number of Horiz. Active Pixels");
    EXPECT_EQ(Descriptor(7, {0x00, 0x00}, 8), "");
    EXPECT_EQ(decoder_.subCounter, 3);

    decoder_.subCounter = 1;
    EXPECT_EQ(Descriptor(6, {0x00, 0xF0}, 10), "1920");
    decoder_.subCounter = 1;
    EXPECT_EQ(Descriptor(6, {0x03, 0x01}, 10), "6152");
    // Only the low byte decides "no limit": a high part with a zero low byte still shows it.
    decoder_.subCounter = 1;
    EXPECT_EQ(Descriptor(6, {0x02, 0x00}, 10), "No limit on the number of Horiz. Active Pixels");
}

TEST_F(EdidDescriptorTest, DescriptorFormattersRefuseBadArgumentsAndMissingBytes) {
    char out[128] = {};
    const uint8_t bytes[5] = {};
    for (EntryFormatter f : {&CDdcDecoder::FormatDescriptor, &CDdcDecoder::FormatRangeLimits}) {
        decoder_.formatterCalls = 1;
        EXPECT_EQ((decoder_.*f)(nullptr, 128, bytes, 18), -1);
        EXPECT_EQ((decoder_.*f)(out, 128, nullptr, 18), -1);
        EXPECT_EQ((decoder_.*f)(out, -1, bytes, 18), -1);
        EXPECT_EQ((decoder_.*f)(out, 128, bytes, 0), -1);
    }
    // A header without all four bytes, a rate without its minimum and code, a two-byte field
    // given one byte.
    Descriptor(0, {0x00, 0x00, 0x00, 0xFD}, 24);
    EXPECT_EQ(result_, -1);
    StartDescriptor(0xFD);
    Descriptor(1, {0x4B, 0x38}, 16);
    EXPECT_EQ(result_, -1);
    decoder_.savedValue = 4;
    decoder_.subCounter = 0;
    Descriptor(5, {0x0F}, 8);
    EXPECT_EQ(result_, -1);
}

// ---- Tag-10h extension ----------------------------------------------------------------------------
class EdidTimingExtensionTest : public EdidDescriptorTest {
  protected:
    void Counts(uint8_t timings, uint8_t cvts, uint8_t standard) {
        EXPECT_EQ(Run(&CDdcDecoder::FormatBlockCounts, 0, {timings}, 8), std::to_string(timings));
        EXPECT_EQ(Run(&CDdcDecoder::FormatBlockCounts, 1, {cvts}, 8), std::to_string(cvts));
        EXPECT_EQ(Run(&CDdcDecoder::FormatBlockCounts, 2, {standard}, 8), std::to_string(standard));
        EXPECT_EQ(result_, 0);
    }
    static constexpr int kTimings = 16, kCvts = 8, kStandard = 0, kLeftOver = 24;
};

TEST_F(EdidTimingExtensionTest, BlockCountsPackTheCountsAndThePresentSections) {
    decoder_.descriptorKind = 0x7F000000;
    decoder_.subCounter = 77;
    Counts(1, 2, 3);
    EXPECT_EQ(static_cast<uint32_t>(decoder_.descriptorKind), (116u << 24) | 0x010203u);
    EXPECT_EQ(decoder_.sectionMask, 15u);
    EXPECT_EQ(decoder_.savedValue, 0xFFFFFFFFu);
    EXPECT_EQ(decoder_.subCounter, 0);

    // A section's bit is set when it or a section before it has items, so the driver, passing over
    // empty sections and shifting the mask, stops at the first one with items.
    Counts(0, 0, 2);
    EXPECT_EQ(decoder_.sectionMask, 4u | 8u);
    Counts(0, 1, 0);
    EXPECT_EQ(decoder_.sectionMask, 2u | 4u | 8u);
    Counts(0, 0, 0);
    EXPECT_EQ(decoder_.sectionMask, 8u);
    EXPECT_EQ(Count(kLeftOver), 122u);

    // Items filling all 122 bytes leave no unused bytes.
    Counts(100, 22, 0);
    EXPECT_EQ(decoder_.sectionMask, 7u);
    EXPECT_EQ(Count(kLeftOver), 0u);
    // More items than bytes: the counts are not believed, the whole block is shown as unused.
    Counts(100, 20, 10);
    EXPECT_EQ(decoder_.descriptorKind, 122);
    EXPECT_EQ(decoder_.sectionMask, 8u);
}

TEST_F(EdidTimingExtensionTest, TimingBlocksAreNumberedAndRepeatWhileBlocksRemain) {
    Counts(2, 1, 0);
    EXPECT_EQ(Run(&CDdcDecoder::FormatTimingBlock, 0, {0x02}, 8), "1");
    EXPECT_EQ(result_, 1);
    EXPECT_EQ(Run(&CDdcDecoder::FormatTimingBlock, 1, {0x02, 0x3A}, 16), "148.50");
    EXPECT_EQ(Run(&CDdcDecoder::FormatTimingBlock, 2, {0x80, 0x07}, 12), "1920");
    EXPECT_EQ(Run(&CDdcDecoder::FormatTimingBlock, 3, {0x58, 0x02}, 10), "600");
    // Below nine bits only the first value counts (a six-bit offset shows its low nibble).
    EXPECT_EQ(Run(&CDdcDecoder::FormatTimingBlock, 4, {0x05, 0x01}, 6), "5");
    EXPECT_EQ(result_, 1);
    EXPECT_EQ(Count(kLeftOver), 122u - 3u - 17u);

    EXPECT_EQ(Run(&CDdcDecoder::FormatTimingBlock, 0, {0x01}, 8), "2");
    EXPECT_EQ(result_, 0);
    EXPECT_EQ(Count(kTimings), 0u);
    // Every block took 18 bytes of the 122.
    EXPECT_EQ(Count(kLeftOver), 122u - 3u - 2u * 17u);
    // The timing section is done: the CVT descriptor comes next, no standard timings, then unused bytes.
    EXPECT_EQ(decoder_.sectionMask, 1u | 4u);
}

TEST_F(EdidTimingExtensionTest, CvtAndStandardTimingBlocksNumberInTheirOwnCounterBits) {
    Counts(0, 2, 1);
    EXPECT_EQ(Run(&CDdcDecoder::FormatCvtBlock, 0, {0x1B}, 8), "1");
    EXPECT_EQ(result_, 1);
    EXPECT_EQ(Run(&CDdcDecoder::FormatCvtBlock, 1, {0x1B, 0x02}, 12), "539");
    EXPECT_EQ(Run(&CDdcDecoder::FormatCvtBlock, 2, {0x02}, 2), "2");
    EXPECT_EQ(Run(&CDdcDecoder::FormatCvtBlock, 0, {0x1B}, 8), "2");
    EXPECT_EQ(result_, 0);
    EXPECT_EQ(decoder_.sectionMask, 1u | 2u);  // one standard timing, then unused bytes

    decoder_.currentMap = kExtensionTag10Map;
    EXPECT_EQ(Run(&CDdcDecoder::FormatStandardTimingBlock, 0, {0xD1}, 8), "1");
    EXPECT_EQ(result_, 0);
    EXPECT_EQ(Run(&CDdcDecoder::FormatStandardTimingBlock, 1, {0xD1}, 8), "1920");
    EXPECT_EQ(Run(&CDdcDecoder::FormatStandardTimingBlock, 2, {0x00}, 6), "60 Hz");
    EXPECT_EQ(decoder_.subCounter, (1 << 16) | (2 << 8));
    EXPECT_EQ(Count(kLeftOver), 122u - 3u - 2u * 2u - 1u);
    EXPECT_EQ(decoder_.sectionMask, 1u);
}

TEST_F(EdidTimingExtensionTest, UnusedBytesCountDownTheLeftOver) {
    Counts(0, 0, 0);
    decoder_.savedValue = 9;
    EXPECT_EQ(Run(&CDdcDecoder::FormatUnusedByte, 0, {0x00}, 8), "00");
    EXPECT_EQ(decoder_.savedValue, 0u);
    EXPECT_EQ(result_, 1);
    EXPECT_EQ(Run(&CDdcDecoder::FormatUnusedByte, 0, {0x5A}, 8), "Unused Byte access, Value(5Ah)");
    EXPECT_EQ(Count(kLeftOver), 120u);
    int calls = 2;
    while (result_ != 0 && calls < 200) {
        Run(&CDdcDecoder::FormatUnusedByte, 0, {0x00}, 8);
        ++calls;
    }
    EXPECT_EQ(calls, 122);
    // Counts that overflowed the block count down the whole block the same way.
    Counts(200, 0, 0);
    calls = 0;
    do {
        Run(&CDdcDecoder::FormatUnusedByte, 0, {0x00}, 8);
        ++calls;
    } while (result_ != 0 && calls < 200);
    EXPECT_EQ(calls, 122);
}

// ---- Tag-50h extension ----------------------------------------------------------------------------
TEST_F(EdidDescriptorTest, StringTableSizeLeavesTheBytesAfterTheTableAsUnused) {
    const EntryFormatter f = &CDdcDecoder::FormatStringTableSize;
    decoder_.savedValue = 0;
    decoder_.sectionMask = 3;
    EXPECT_EQ(Run(f, 0, {34}, 8), "34");
    EXPECT_EQ(result_, 0);
    EXPECT_EQ(decoder_.sectionMask, 32u);
    // 113 - 34 = 79, and the table's nine fixed bytes that its size counts as well.
    EXPECT_EQ(Count(24), 88u);
    EXPECT_EQ(decoder_.savedValue, 34u);
    // A second table counts from what the first left.
    EXPECT_EQ(Run(f, 0, {40}, 8), "40");
    EXPECT_EQ(Count(24), 39u + 9u);
    EXPECT_EQ(decoder_.savedValue, 74u);
    // Exactly filled, and too large: no text, result 1; a first table too large leaves 113.
    decoder_.savedValue = 0;
    decoder_.descriptorKind = 0;
    EXPECT_EQ(Run(f, 0, {113}, 8), "");
    EXPECT_EQ(result_, 1);
    EXPECT_EQ(decoder_.descriptorKind, 0);
    EXPECT_EQ(Run(f, 0, {114}, 8), "");
    EXPECT_EQ(result_, 1);
    EXPECT_EQ(Count(24), 113u);
    decoder_.savedValue = 5;
    decoder_.descriptorKind = 0;
    Run(f, 0, {120}, 8);
    EXPECT_EQ(result_, 1);
    EXPECT_EQ(decoder_.descriptorKind, 0);
}

TEST_F(EdidDescriptorTest, LanguageLettersAndCountryCode) {
    const EntryFormatter f = &CDdcDecoder::FormatLanguage;
    EXPECT_EQ(Run(f, 0, {0x02, 0x10}, 14), "528");
    EXPECT_EQ(Run(f, 1, {0x00}, 5), " ");
    EXPECT_EQ(Run(f, 1, {1}, 5), "A");
    EXPECT_EQ(Run(f, 1, {14}, 5), "N");
    EXPECT_EQ(Run(f, 1, {26}, 5), "Z");
    EXPECT_EQ(Run(f, 1, {27}, 5), " 1Bh ");
    EXPECT_EQ(Run(f, 1, {31}, 5), " 1Fh ");
    EXPECT_EQ(result_, 0);
}

TEST_F(EdidDescriptorTest, StringLengthAndBytesCountTheStringDown) {
    decoder_.descriptorKind = static_cast<int32_t>(79u << 24);
    decoder_.sectionMask = 32;
    decoder_.subCounter = 6;
    EXPECT_EQ(Run(&CDdcDecoder::FormatStringLength, 0, {3}, 8), "3");
    EXPECT_EQ(Count(0), 3u);
    EXPECT_EQ(decoder_.sectionMask, 32u | 1u | 2u);
    EXPECT_EQ(decoder_.subCounter, 0);

    EXPECT_EQ(Run(&CDdcDecoder::FormatStringByte, 0, {0x41}, 8), "41");
    EXPECT_EQ(result_, 1);
    EXPECT_EQ(Run(&CDdcDecoder::FormatStringByte, 0, {0x0A}, 8), "0A ");
    EXPECT_EQ(result_, 1);
    EXPECT_EQ(Run(&CDdcDecoder::FormatStringByte, 0, {0xFF}, 8), "FF");
    EXPECT_EQ(result_, 0);
    EXPECT_EQ(Count(0), 0u);
    EXPECT_EQ(decoder_.sectionMask & 1u, 1u) << "bytes are left over: the unused-byte entry follows";

    // An empty string: its bytes' entry is passed over; bit 1 then says whether bytes are left over.
    EXPECT_EQ(Run(&CDdcDecoder::FormatStringLength, 0, {0}, 8), "0");
    EXPECT_EQ(decoder_.sectionMask & 3u, 2u);
    decoder_.descriptorKind = 0;
    Run(&CDdcDecoder::FormatStringLength, 0, {0}, 8);
    EXPECT_EQ(decoder_.sectionMask & 3u, 0u);
    // The last byte of a string that fills the block leads nowhere.
    Run(&CDdcDecoder::FormatStringLength, 0, {1}, 8);
    Run(&CDdcDecoder::FormatStringByte, 0, {0x41}, 8);
    EXPECT_EQ(result_, 0);
    EXPECT_EQ(decoder_.sectionMask & 1u, 0u);
}

TEST_F(EdidDescriptorTest, ExtensionFormattersRefuseBadArguments) {
    char out[128] = {};
    const uint8_t bytes[5] = {};
    const EntryFormatter formatters[] = {
        &CDdcDecoder::FormatBlockCounts, &CDdcDecoder::FormatTimingBlock,
        &CDdcDecoder::FormatCvtBlock,    &CDdcDecoder::FormatStandardTimingBlock,
        &CDdcDecoder::FormatUnusedByte,  &CDdcDecoder::FormatStringTableSize,
        &CDdcDecoder::FormatLanguage,    &CDdcDecoder::FormatStringLength,
        &CDdcDecoder::FormatStringByte,
    };
    for (EntryFormatter f : formatters) {
        EXPECT_EQ((decoder_.*f)(nullptr, 128, bytes, 8), -1);
        EXPECT_EQ((decoder_.*f)(out, 128, nullptr, 8), -1);
        EXPECT_EQ((decoder_.*f)(out, -1, bytes, 8), -1);
        EXPECT_EQ((decoder_.*f)(out, 128, bytes, 0), -1);
    }
}

}  // namespace
}  // namespace hdmi
