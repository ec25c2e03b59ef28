// The field-level interpreter on small tables written for these tests: extraction at byte
// boundaries, continued rows with and without a formatter, value names, captions with a value,
// accumulation, every jump kind, label-search failure, saved value and state reset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InterpreterTables.h"
#include "ReportCapture.h"
#include "ddc/ReportWriter.h"
#include "platform/MessageBox.h"

namespace hdmi {
namespace {

using testing::TestDecoder;

// ---- Extraction ----------------------------------------------------------------------------

constexpr uint8_t kTiming[18] = {0x01, 0x1D, 0x80, 0x18, 0x71, 0x38, 0x2D, 0x40, 0x58,
                                 0x2C, 0x45, 0x00, 0xC4, 0x8E, 0x21, 0x00, 0x00, 0x1E};

// A 4-bit field at bit offset 36 is the high nibble of byte 4; a 3-bit field at bit offset 62 is
// bits 1..0 of byte 7 followed by bit 7 of byte 8.
static_assert(Field().Bits(4, 7, 4).bitOffset == 36 && Field().Bits(4, 7, 4).width == 4);
static_assert(ExtractField(kTiming, Field().Bits(4, 7, 4)) == 0x7);
static_assert(Field().Span(7, 1, 7).bitOffset == 62 && Field().Span(7, 1, 7).width == 3);
static_assert(ExtractField(kTiming, Field().Span(7, 1, 7)) == 0x0);  // 0x40 bits 1..0 = 0, 0x58 bit 7 = 0

TEST(ExtractFieldTest, SpanReadsTheLowBitsOfOneByteThenTheHighBitsOfTheNext) {
    const uint8_t bytes[] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x80};
    EXPECT_EQ(ExtractField(bytes, Field().Span(7, 1, 7)), 0x7u);
    const uint8_t other[] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFE, 0x7F};
    EXPECT_EQ(ExtractField(other, Field().Span(7, 1, 7)), 0x4u);  // bit 1 set, bit 0 and bit 7 clear
}

// Every field that Bits and Span can describe, on bytes with distinct bit patterns, against the
// field read bit by bit from the named bits.
TEST(ExtractFieldTest, BuildersAndExtractionAgreeOnEveryBitRange) {
    const uint8_t bytes[] = {0xA5, 0x3C, 0xF0, 0x96, 0x0F};
    const auto bit = [&](int byte, int b) { return (bytes[byte] >> b) & 1u; };
    for (int byte = 0; byte < 4; ++byte) {
        for (int high = 0; high < 8; ++high) {
            for (int low = 0; low <= high; ++low) {
                uint32_t expected = 0;
                for (int b = high; b >= low; --b) expected = expected << 1 | bit(byte, b);
                EXPECT_EQ(ExtractField(bytes, Field().Bits(byte, high, low)), expected)
                    << "byte " << byte << " bits " << high << ".." << low;
            }
            for (int low = 1; low < 8; ++low) {
                if ((high + 1) + (8 - low) > 8) continue;  // wider than a field may be
                uint32_t expected = 0;
                for (int b = high; b >= 0; --b) expected = expected << 1 | bit(byte, b);
                for (int b = 7; b >= low; --b) expected = expected << 1 | bit(byte + 1, b);
                EXPECT_EQ(ExtractField(bytes, Field().Span(byte, high, low)), expected)
                    << "span from byte " << byte << " bit " << high << " to next bit " << low;
            }
        }
    }
}

// ---- InterpretFields -------------------------------------------------------------------------

class InterpretFieldsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::ResetSink();
        context_.ReportLineSink = testing::CollectLine;
        ASSERT_TRUE(writer_.Open(context_, 0));
        for (int c = 0; c < 4; ++c) writer_.SetColumnTitle(c, "t");
        for (int pair = 0; pair < 8; ++pair) writer_.SetColourPair(pair, 0, 0);
        writer_.WriteHeader();
        testing::Sink().lines.clear();
        boxes_ = platform::MessageBoxCount();
    }

    int32_t Run(const RegisterEntry& entry, const std::vector<uint8_t>& bytes) {
        const int32_t result = decoder_.InterpretFields(writer_, entry, bytes.data());
        writer_.CommitRow();
        return result;
    }
    // Name and Data cells of each row written.
    std::vector<std::string> Written() const {
        std::vector<std::string> rows;
        for (const std::string& line : testing::Sink().lines) {
            const std::vector<std::string> cells = testing::CellsOf(line);
            rows.push_back(cells.size() == 4 ? cells[2] + " | " + cells[3] : "malformed: " + line);
        }
        return rows;
    }
    int NewBoxes() const { return platform::MessageBoxCount() - boxes_; }

    HostDecodeContext context_{};
    CReportWriter writer_;
    TestDecoder decoder_;
    int boxes_ = 0;
};

using RowList = std::vector<std::string>;

TEST_F(InterpretFieldsTest, AccumulatedRowsMakeOneReportRow) {
    EXPECT_EQ(Run(testing::kProductCodeEntry, {0x34, 0x12}), 0);
    EXPECT_EQ(Written(), (RowList{"ID Product Code | 12 34h"}));
}

TEST_F(InterpretFieldsTest, ContinuedRowWithoutFormatterJoinsTheValueForItsNames) {
    Run(testing::kStereoEntry, {0x41});  // bits 6..5 = 2, bit 0 = 1: value 5
    Run(testing::kStereoEntry, {0x61});  // value 7: beyond the six names
    Run(testing::kStereoEntry, {0x80});  // value 0, and the next row sees bit 7
    EXPECT_EQ(Written(), (RowList{"Stereo | five", "Follows | 0", "Stereo | Reserved", "Follows | 0",
                                  "Stereo | zero", "Follows | 1"}));
}

TEST_F(InterpretFieldsTest, FormatterGetsTheRowAndItsContinuedRowsWithTheirBitCount) {
    // Pixel clock bytes 0..1, then the high nibble of byte 4 with byte 2 as its continuation, then
    // bits 1..0 of byte 7 with bit 7 of byte 8 printed without the formatter.
    EXPECT_EQ(Run(testing::kTimingEntry, std::vector<uint8_t>(kTiming, kTiming + 18)), 0);
    EXPECT_EQ(Written(),
              (RowList{"Pixel clock | 01.1D.00.00.00/16", "Horizontal | <07.80.00.00.00/12>", "Span | 0"}));
    EXPECT_EQ(decoder_.formatterCalls, 2);
}

TEST_F(InterpretFieldsTest, FormatterTakesAtMostFiveContinuedRows) {
    Run(testing::kSixRowsEntry, {1, 2, 3, 4, 5, 6});
    // Rows 0..4 go to the formatter together; row 5, continued from row 4, is a row of its own.
    EXPECT_EQ(Written(), (RowList{"Six | 01.02.03.04.05/40", " | 06.00.00.00.00/8"}));  // no caption
}

TEST_F(InterpretFieldsTest, CaptionWithAConversionShowsTheValue) {
    Run(testing::kCaptionEntry, {0x0A});
    EXPECT_EQ(Written(), (RowList{"Reserved Tag.(0x0Ah) | 10"}));  // the tab is written as '.'
}

TEST_F(InterpretFieldsTest, RowWithoutFormatOrNameWritesNothing) {
    Run(testing::kSilentEntry, {0xFF});
    EXPECT_EQ(Written(), (RowList{"Shown | 255"}));
}

TEST_F(InterpretFieldsTest, JumpIfValueFallsThroughOnZeroAndSkipsRowsOtherwise) {
    Run(testing::kJumpIfValueEntry, {0, 7, 9});
    Run(testing::kJumpIfValueEntry, {1, 7, 9});
    EXPECT_EQ(Written(), (RowList{"Flag | 0", "Between | 7", "Flag | 1", "Target | 9"}));
}

TEST_F(InterpretFieldsTest, JumpAlwaysGoesToItsLabel) {
    Run(testing::kJumpAlwaysEntry, {3, 4});
    EXPECT_EQ(Written(), (RowList{"Always | 3", "Landed | 4"}));
}

TEST_F(InterpretFieldsTest, JumpIfSavedTestsTheValueSavedBeforeTheRowSavesItsOwn) {
    decoder_.savedValue = 0;
    Run(testing::kSaveAndTestEntry, {5});  // saved 0: no jump; then saves 5
    EXPECT_EQ(decoder_.savedValue, 5u);
    Run(testing::kSaveAndTestEntry, {0});  // saved 5: jumps; then saves 0
    EXPECT_EQ(decoder_.savedValue, 0u);
    Run(testing::kSaveAndTestEntry, {0});  // saved 0: no jump
    EXPECT_EQ(Written(),
              (RowList{"Test | 5", "Not saved | 5", "Test | 0", "Saved | 0", "Test | 0", "Not saved | 0"}));
}

TEST_F(InterpretFieldsTest, SavedValueCarriesFromOneEntryToTheNext) {
    Run(testing::kSaveEntry, {1});
    Run(testing::kTestSavedEntry, {2});
    decoder_.savedValue = 0;
    Run(testing::kTestSavedEntry, {2});
    EXPECT_EQ(Written(), (RowList{"Save | 1", "Analog or digital | 2", "Digital | 2", "Analog or digital | 2",
                                  "Analog | 2"}));
}

TEST_F(InterpretFieldsTest, JumpToResultFollowsTheFormatterResult) {
    Run(testing::kJumpToResultEntry, {0, 1});
    Run(testing::kJumpToResultEntry, {2, 1});
    Run(testing::kJumpToResultEntry, {3, 1});
    EXPECT_EQ(Written(), (RowList{"Header | r0", "Result 0 | 1", "Header | r2", "Result 2 | 1", "Header | r3",
                                  "Result 3 | 1"}));
    EXPECT_EQ(NewBoxes(), 0);
}

TEST_F(InterpretFieldsTest, LabelSearchFailureShowsTheBoxAndEndsTheEntryWithResultZero) {
    EXPECT_EQ(Run(testing::kJumpToResultEntry, {9, 1}), 0);  // no label 9
    EXPECT_EQ(NewBoxes(), 1);
    EXPECT_STREQ(platform::LastMessageBoxText(), "Table Search Fail");
    EXPECT_EQ(Written(), (RowList{"Header | r9"}));
}

TEST_F(InterpretFieldsTest, JumpWithTargetZeroIsASearchFailure) {
    EXPECT_EQ(Run(testing::kTargetZeroEntry, {1, 2}), 0);
    EXPECT_EQ(NewBoxes(), 1);
    EXPECT_STREQ(platform::LastMessageBoxText(), "Table Search Fail");
    EXPECT_EQ(Written(), (RowList{"Nowhere | 1"}));
}

TEST_F(InterpretFieldsTest, ResetStateClearsDescriptorKindAndSavedValueBeforeTheRow) {
    decoder_.descriptorKind = 5;
    decoder_.savedValue = 7;
    Run(testing::kResetEntry, {0});
    EXPECT_EQ(decoder_.descriptorKind, 0);
    EXPECT_EQ(decoder_.savedValue, 0u);
    // The row after the reset jumps when a value is saved: it does not.
    EXPECT_EQ(Written(), (RowList{"Reset | 0", "After reset | 0"}));
}

TEST_F(InterpretFieldsTest, NegativeFormatterResultIsReturnedAtOnce) {
    EXPECT_EQ(Run(testing::kFailingEntry, {1, 2}), -1);
    // The failing row has put its caption into the row, which the report's end still commits;
    // it and the rows after it write no data.
    EXPECT_EQ(Written(), (RowList{"Before | 1", "Failing | "}));
}

TEST_F(InterpretFieldsTest, FormatterCallsCountsOnlyRowsThatCallTheFormatter) {
    EXPECT_EQ(Run(testing::kCallCountEntry, {1, 2, 3}), 0);
    EXPECT_EQ(Written(), (RowList{"First | call 0", "Plain | 2", "Second | call 1"}));
    EXPECT_EQ(decoder_.formatterCalls, 2);
}

TEST_F(InterpretFieldsTest, ResultIsThatOfTheLastRowProcessed) {
    EXPECT_EQ(Run(testing::kResultEntry, {6, 0}), 0);  // the last row does not call the formatter
    EXPECT_EQ(Run(testing::kResultLastEntry, {0, 6}), 6);
}

TEST_F(InterpretFieldsTest, TableStartingWithAnEndRowDoesNothing) {
    EXPECT_EQ(Run(testing::kEmptyEntry, {1}), 0);
    EXPECT_TRUE(Written().empty());
    EXPECT_EQ(decoder_.formatterCalls, 0);
}

TEST_F(InterpretFieldsTest, PendingTextLongerThanACellIsCut) {
    Run(testing::kLongTextEntry, std::vector<uint8_t>(20, 0xAB));
    const RowList rows = Written();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].size(), std::string("Long | ").size() + 255);
}

}  // namespace
}  // namespace hdmi
