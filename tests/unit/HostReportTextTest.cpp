// The host's reading of report text and the golden-file comparison the tests rely on.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../support/Golden.h"
#include "Session.h"

namespace hdmi::host {
namespace {

TEST(HostReportText, RowCellsAreUnescapedAndColourDigitsNamePairs) {
    const auto row = ParseReportRow(R"x(|@0123AB89GH|@-42,"A0(EDID)","say \"hi\"","a\\b"," ")x");
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ(row->clock, -42);
    EXPECT_EQ(row->colours, "23AB89GH");
    EXPECT_EQ(row->pairs, (std::vector<int>{0, 4, 3, 7}));
    EXPECT_EQ(row->cells, (std::vector<std::string>{"A0(EDID)", "say \"hi\"", "a\\b", " "}));
}

TEST(HostReportText, MalformedRowsAreRefused) {
    const char* bad[] = {
        R"(|@0123|@5,"a","b")",  // two cells, one colour pair
        R"(|@0124|@5,"a")",      // fill digit is not text digit + 1
        R"(|@0101|@5,"a")",      // pair digits below 2
        R"(|@0123|@x,"a")",      // clock not a number
        R"(|@0123|@5,"a)",       // unterminated cell
        R"(|@0123|@5,"a\n")",    // unknown escape
        R"(|@0123|@5,"a",)",     // trailing comma
        R"(|@0123|@5,a)",        // unquoted cell
        R"(@0123|@5,"a")",       // missing bar
        "||000000FFFFFF||Clock,Address(h)",
    };
    for (const char* line : bad) EXPECT_FALSE(ParseReportRow(line).has_value()) << line;
}

TEST(HostReportText, HeaderGivesColourPairsAndColumns) {
    const auto header =
        ParseReportHeader("||000000FFFFFF000000CCFFCC3333E1FFFFFF||Clock,Address(h),EDID Data");
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->pairs,
              (std::vector<std::pair<uint32_t, uint32_t>>{{0x000000, 0xCCFFCC}, {0x3333E1, 0xFFFFFF}}));
    EXPECT_EQ(header->columns, (std::vector<std::string>{"Address(h)", "EDID Data"}));
    EXPECT_FALSE(ParseReportHeader("||000000FFFFFF00000||Clock,A").has_value());
    EXPECT_FALSE(ParseReportHeader("|@0123|@5,\"a\"").has_value());
}

TEST(HostReportText, RowsSkipTheHeaderAndSetAsideWhatDoesNotParse) {
    ReportText report;
    report.lines = {"||000000FFFFFF||Clock,A", R"(|@0123|@7,"x")", "garbage", R"(|@0189|@9,"y")"};
    const std::vector<ReportRow> rows = report.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].clock, 7);
    EXPECT_EQ(rows[1].pairs, std::vector<int>{3});
    EXPECT_EQ(report.MalformedRows(), std::vector<std::string>{"garbage"});
    EXPECT_TRUE(report.Header().has_value());
}

TEST(HostReportText, PacketsOfStreamsEndWithTheClosingEntry) {
    const uint32_t words[] = {10, 0, 0, 2, 0, 0x50, 10};
    const int64_t positions[] = {0, 0, 0, 12, 12, 12, 99};
    const std::vector<Packet> packets = PacketsFromStreams(words, positions, 7);
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[1], (Packet{2, 0, 0x50, 12, false}));
    EXPECT_EQ(packets[2], (Packet{10, 0, 0, 99, true}));
    EXPECT_TRUE(PacketsFromStreams(nullptr, positions, 7).empty());
}

TEST(HostGolden, DiffShowsChangedInsertedAndRemovedLinesWithContext) {
    const std::vector<std::string> golden{"p", "q", "r", "a", "b", "c", "d", "e", "f", "g"};
    const std::vector<std::string> actual{"p", "q", "r", "a", "B", "c", "d", "e", "new", "f", "g"};
    const std::string diff = test::DiffLines(golden, actual);
    EXPECT_NE(diff.find("- 5: b\n+ 5: B\n"), std::string::npos) << diff;
    EXPECT_NE(diff.find("+ 9: new\n"), std::string::npos) << diff;
    EXPECT_NE(diff.find("  4: a\n"), std::string::npos) << diff;  // context before the change
    EXPECT_EQ(diff.find(": p\n"), std::string::npos) << diff;     // too far away to show
    const std::string removed = test::DiffLines({"x", "y", "z"}, {"x", "z"});
    EXPECT_NE(removed.find("- 2: y\n"), std::string::npos) << removed;
}

TEST(HostGolden, MissingFileFailsAndShowsTheText) {
    if (test::UpdatingGolden()) GTEST_SKIP() << "would write the file";
    const auto result = test::MatchesGolden({"only line"}, "no_such_golden_file_for_this_test");
    EXPECT_FALSE(result);
    EXPECT_NE(std::string(result.message()).find("+ 1: only line"), std::string::npos) << result.message();
}

TEST(HostGolden, ReadsLinesWithAndWithoutAFinalNewline) {
    const std::string path = testing::TempDir() + "golden_read_test.txt";
    std::vector<std::string> lines;
    for (const char* text : {"a\tb\nc\n", "a\tb\nc"}) {
        FILE* file = fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        fputs(text, file);
        fclose(file);
        ASSERT_TRUE(test::ReadGolden(path, lines));
        EXPECT_EQ(lines, (std::vector<std::string>{"a\tb", "c"}));
    }
    std::remove(path.c_str());
}

}  // namespace
}  // namespace hdmi::host
