// The report writer: header and row lines byte for byte, cell quoting, colour digits, the row
// clock, and both outputs (host callback and named section), including a section that has to grow.
#include <gtest/gtest.h>

#include <string>

#include "ReportCapture.h"
#include "ddc/ReportWriter.h"
#include "platform/SharedSection.h"

namespace hdmi {
namespace {

using testing::CollectLine;
using testing::ReadSection;
using testing::SectionName;
using testing::SetReportName;
using testing::Sink;
using testing::SplitLines;

class ReportWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::ResetSink();
        context_.ReportLineSink = CollectLine;
    }
    void TearDown() override { platform::SectionFaultsForTests() = {}; }

    // The plug-in's four columns with `pairs` colour pairs (at least two), header written.
    void OpenWithColumns(CReportWriter& writer, int64_t entries = 10, int pairs = 2) {
        ASSERT_TRUE(writer.Open(context_, entries));
        const char* titles[] = {"Address(h)", "Offset(h)", "EDID Register Name", "EDID Data"};
        for (int c = 0; c < 4; ++c) writer.SetColumnTitle(c, titles[c]);
        writer.SetColourPair(0, 0x000000, 0xFFFFCC);
        writer.SetColourPair(1, 0x3333E1, 0xCCFFCC);
        for (int pair = 2; pair < pairs; ++pair) writer.SetColourPair(pair, 0, 0);
        writer.WriteHeader();
    }

    HostDecodeContext context_{};
};

TEST_F(ReportWriterTest, HeaderListsEveryColourPairThenTheColumnTitles) {
    CReportWriter writer;
    ASSERT_TRUE(writer.Open(context_, 0));
    writer.SetColumnTitle(0, "Address(h)");
    writer.SetColumnTitle(1, "Offset(h)");
    writer.SetColourPair(0, 0x010203, 0xABCDEF);
    writer.SetColourPair(2, 0x3333E1, 0xFFFFFF);  // pair 1 never set: written as zeros
    writer.WriteHeader();
    writer.WriteHeader();  // no longer pending: nothing more
    writer.Finish();
    ASSERT_EQ(Sink().lines.size(), 1u);
    EXPECT_EQ(Sink().lines[0],
              "||000000FFFFFF010203ABCDEF0000000000003333E1FFFFFF||Clock,Address(h),Offset(h)\r\n");
    EXPECT_EQ(Sink().endCalls, 1);
}

TEST_F(ReportWriterTest, RowCarriesColourDigitsClockAndQuotedCells) {
    CReportWriter writer;
    OpenWithColumns(writer, 10, 8);
    writer.SetColumnColour(0, 0);
    writer.SetColumnColour(1, 3);
    writer.SetColumnColour(2, 4);
    writer.SetColumnColour(3, 7);
    writer.SetColumnColour(1, 8);  // no pair 8: column 1 keeps pair 3
    writer.SetRowClock(-5);
    writer.SetCell(0, "50(EDID)");
    writer.SetCell(2, "Name");
    writer.CommitRow();
    writer.Finish();
    ASSERT_EQ(Sink().lines.size(), 2u);
    EXPECT_EQ(Sink().lines[1],
              "|@0123"
              "89"
              "AB"
              "GH"
              "|@-5,\"50(EDID)\",\" \",\"Name\",\" \"\r\n");
}

TEST_F(ReportWriterTest, CellQuotingEscapesQuoteAndBackslashAndDotsOtherBytes) {
    CReportWriter writer;
    OpenWithColumns(writer);
    writer.SetCell(0, "a\"b\\c\td");
    writer.SetCell(1, "\x7F\x80\xFF\x1F ~");  // DEL stays, bytes above it and controls become '.'
    writer.CommitRow();
    writer.Finish();
    ASSERT_EQ(Sink().lines.size(), 2u);
    EXPECT_EQ(Sink().lines[1], "|@0123232323|@0,\"a\\\"b\\\\c.d\",\"\x7F... ~\",\" \",\" \"\r\n");
}

TEST_F(ReportWriterTest, ClockStaysCleanRowsAreNotWrittenAndCellsAreCut) {
    CReportWriter writer;
    OpenWithColumns(writer);
    writer.SetRowClock(1234);
    writer.SetCell(3, "first");
    writer.CommitRow();
    writer.CommitRow();  // nothing new: no line
    writer.SetCell(3, "second");
    writer.CommitRow();
    writer.SetCell(9, "no such column");  // ignored, and does not make the row dirty
    writer.SetCell(2, nullptr);
    writer.CommitRow();
    writer.SetRowClock(99);  // a clock alone makes a row of blanks
    writer.CommitRow();
    writer.SetCell(3, "replaced");
    writer.SetCell(3, std::string(300, 'x').c_str());  // cut to 255
    writer.CommitRow();
    writer.Finish();
    ASSERT_EQ(Sink().lines.size(), 5u);
    EXPECT_EQ(Sink().lines[1], "|@0123232323|@1234,\" \",\" \",\" \",\"first\"\r\n");
    EXPECT_EQ(Sink().lines[2], "|@0123232323|@1234,\" \",\" \",\" \",\"second\"\r\n");
    EXPECT_EQ(Sink().lines[3], "|@0123232323|@99,\" \",\" \",\" \",\" \"\r\n");
    EXPECT_EQ(Sink().lines[4], "|@0123232323|@99,\" \",\" \",\" \",\"" + std::string(255, 'x') + "\"\r\n");
}

TEST_F(ReportWriterTest, FinishCommitsADirtyRowAndEndsTheCallbackOutputOnce) {
    CReportWriter writer;
    OpenWithColumns(writer);
    writer.SetCell(1, "pending");
    writer.Finish();
    ASSERT_EQ(Sink().lines.size(), 2u);
    EXPECT_NE(Sink().lines[1].find("\"pending\""), std::string::npos);
    EXPECT_EQ(Sink().endCalls, 1);
    EXPECT_FALSE(Sink().lineAfterEnd);
    EXPECT_FALSE(Sink().lengthMismatch);
}

TEST_F(ReportWriterTest, CommitBeforeTheHeaderWritesTheHeaderFirst) {
    CReportWriter writer;
    ASSERT_TRUE(writer.Open(context_, 0));
    writer.SetColourPair(0, 0, 0);
    writer.SetColumnTitle(0, "Only");
    writer.SetRowClock(7);
    writer.CommitRow();
    writer.Finish();
    ASSERT_EQ(Sink().lines.size(), 2u);
    EXPECT_EQ(Sink().lines[0], "||000000FFFFFF000000000000||Clock,Only\r\n");
    EXPECT_EQ(Sink().lines[1], "|@0123|@7,\" \"\r\n");  // the title is not taken for a cell
}

// Four cells of 255 characters that all need escaping: the longest row of the plug-in's layout is
// handed over whole, never cut.
TEST_F(ReportWriterTest, LongestRowReachesTheSinkWhole) {
    CReportWriter writer;
    OpenWithColumns(writer);
    const std::string quotes(255, '"');
    for (int c = 0; c < 4; ++c) writer.SetCell(c, quotes.c_str());
    writer.SetRowClock(INT64_MIN);
    writer.CommitRow();
    writer.Finish();
    ASSERT_EQ(Sink().lines.size(), 2u);
    std::string cell = "\"";
    for (int k = 0; k < 255; ++k) cell += "\\\"";
    cell += "\"";
    const std::string expected =
        "|@0123232323|@-9223372036854775808," + cell + "," + cell + "," + cell + "," + cell + "\r\n";
    EXPECT_EQ(Sink().lines[1], expected);
    EXPECT_GT(expected.size(), 2048u);
    EXPECT_FALSE(Sink().lengthMismatch);
}

// ---- Named section ---------------------------------------------------------------------------

class ReportSectionTest : public ReportWriterTest {
  protected:
    void SetUp() override {
        ReportWriterTest::SetUp();
        context_.ReportLineSink = nullptr;
        name_ = SectionName("rw");
        SetReportName(context_, name_);
    }
    std::string name_;
};

TEST_F(ReportSectionTest, SectionHoldsTheSameTextAsTheSinkNulTerminated) {
    const auto writeRows = [this](CReportWriter& writer) {
        OpenWithColumns(writer, 4);
        writer.SetRowClock(10);
        writer.SetCell(0, "50(EDID)");
        writer.SetCell(3, "00 FF\th");
        writer.CommitRow();
        writer.SetCell(2, "\"quoted\"");
    };
    platform::SharedSection section;
    {
        CReportWriter writer;
        writeRows(writer);
        section = writer.Finish();
    }
    ASSERT_TRUE(section.IsOpen());
    EXPECT_EQ(section.View(), nullptr);  // unmapped, but still there by name
    const testing::SectionText text = ReadSection(name_.c_str());
    ASSERT_TRUE(text.present);
    EXPECT_TRUE(text.terminated);
    EXPECT_EQ(text.size, (4u + 2u) * 256u);

    context_.ReportLineSink = CollectLine;
    CReportWriter writer;
    writeRows(writer);
    writer.Finish();
    EXPECT_EQ(text.text, testing::Joined(Sink().lines));

    section.Close();
    EXPECT_FALSE(ReadSection(name_.c_str()).present);
}

TEST_F(ReportSectionTest, SectionGrowsKeepingItsTextAndNameWhenRowsOutgrowIt) {
    platform::SharedSection section;
    std::string expected;
    {
        CReportWriter writer;
        OpenWithColumns(writer, 0);  // 512 bytes
        const std::string cell(200, '\\');
        for (int k = 0; k < 40; ++k) {
            writer.SetRowClock(k);
            writer.SetCell(3, cell.c_str());
            writer.CommitRow();
        }
        EXPECT_EQ(writer.LostLines(), 0);
        section = writer.Finish();
    }
    const testing::SectionText text = ReadSection(name_.c_str());
    ASSERT_TRUE(text.present);
    EXPECT_TRUE(text.terminated);
    const std::vector<std::string> lines = SplitLines(text.text);
    ASSERT_EQ(lines.size(), 41u);
    EXPECT_EQ(lines[0].substr(0, 14), "||000000FFFFFF");
    EXPECT_EQ(lines[40], "|@0123232323|@39,\" \",\" \",\" \",\"" + std::string(400, '\\') + "\"\r\n");
    EXPECT_GE(text.size, text.text.size() + 1);
    EXPECT_GT(text.size, 512u * 16);  // doubled at least four times
}

// An exact fit: the bound says no, the row's real length says yes, so the section is not grown.
TEST_F(ReportSectionTest, RowThatFitsExactlyDoesNotGrowTheSection) {
    CReportWriter writer;
    ASSERT_TRUE(writer.Open(context_, 0));  // 512 bytes
    writer.SetColumnTitle(0, "A");
    writer.SetColourPair(0, 0, 0);
    writer.WriteHeader();  // "||000000FFFFFF000000000000||Clock,A\r\n": 37 characters
    // A row |@0123|@0,"<cell>" CR LF is 14 + cell characters.
    writer.SetCell(0, std::string(255, 'y').c_str());
    writer.CommitRow();                                // 37 + 269 = 306
    writer.SetCell(0, std::string(191, 'y').c_str());  // 306 + 205 + NUL = 512
    writer.CommitRow();
    platform::SharedSection section = writer.Finish();
    EXPECT_EQ(writer.LostLines(), 0);
    const testing::SectionText text = ReadSection(name_.c_str());
    EXPECT_EQ(text.size, 512u);
    EXPECT_EQ(text.text.size(), 511u);
    EXPECT_EQ(SplitLines(text.text).size(), 3u);
}

TEST_F(ReportSectionTest, RowsThatCannotGetRoomAreDroppedWithoutOverrun) {
    platform::SharedSection section;
    {
        CReportWriter writer;
        OpenWithColumns(writer, 0);
        platform::SectionFaultsForTests().failGrow = true;
        const std::string cell(250, 'z');
        for (int k = 0; k < 5; ++k) {
            writer.SetCell(3, cell.c_str());
            writer.CommitRow();
        }
        EXPECT_GT(writer.LostLines(), 0);
        section = writer.Finish();
    }
    const testing::SectionText text = ReadSection(name_.c_str());
    ASSERT_TRUE(text.present);
    EXPECT_TRUE(text.terminated);
    EXPECT_EQ(text.size, 512u);
    for (const std::string& line : SplitLines(text.text)) EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
}

// A full /dev/shm: the pages behind the section cannot all be had. Lines past what could be
// claimed are lost (never written into unbacked pages, which would kill the host with SIGBUS),
// and what was written stays whole and terminated.
TEST_F(ReportSectionTest, LinesBeyondTheMemoryThatCanBeClaimedAreDropped) {
    platform::SharedSection section;
    {
        CReportWriter writer;
        platform::SectionFaultsForTests().reserveBudgetBytes = 8192;
        OpenWithColumns(writer, 100000);
        for (int k = 0; k < 1000; ++k) {
            writer.SetCell(3, "some text for the row");
            writer.CommitRow();
        }
        EXPECT_GT(writer.LostLines(), 800);
        section = writer.Finish();
    }
    platform::SectionFaultsForTests() = {};
    const testing::SectionText text = ReadSection(name_.c_str());
    ASSERT_TRUE(text.present);
    EXPECT_TRUE(text.terminated);
    EXPECT_LT(text.text.size(), 8192u);
    const std::vector<std::string> lines = SplitLines(text.text);
    EXPECT_GT(lines.size(), 10u);
    for (const std::string& line : lines) EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
}

TEST_F(ReportSectionTest, OpenFailsWhenNoSectionCanBeMade) {
    platform::SectionFaultsForTests().failCreate = true;
    CReportWriter writer;
    EXPECT_FALSE(writer.Open(context_, 100));
    writer.SetColumnTitle(0, "A");
    writer.SetCell(0, "x");
    writer.CommitRow();  // nothing to write into, and nothing breaks
    EXPECT_FALSE(writer.Finish().IsOpen());
    EXPECT_FALSE(ReadSection(name_.c_str()).present);
}

}  // namespace
}  // namespace hdmi
