// The SCDC register formatters and register table: each formatter's lines with values that set
// and clear every bit (golden), the capacity test, and the register names with their reserved gaps.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "../support/Golden.h"
#include "ddc/DdcDecoder.h"
#include "hdcp_scdc/ScdcRegisters.h"

namespace hdmi {
namespace {

using D = CDdcDecoder;

class ScdcFormatterTest : public ::testing::Test {
  protected:
    // The formatter's text for one register byte, with the capacity ExplainScdcRegister uses.
    std::string Text(ScdcFormatter formatter, uint32_t value) {
        char out[kScdcTextSize];
        std::memset(out, 'x', sizeof out);
        accepted_ = (decoder_.*formatter)(&value, kScdcTextSize, out);
        return accepted_ ? std::string(out) : std::string("<refused>");
    }

    CDdcDecoder decoder_;
    bool accepted_ = false;
};

// Every formatter's text for values that set and clear each of its bits, in
// tests/golden/scdc_formatter_texts.txt. Worth knowing when reading it: channel 0 keeps "bis",
// channel 1 prints its count without a leading zero, RR_Enable has no meaning text, and bits above
// the register byte still make a reserved register's value data.
TEST_F(ScdcFormatterTest, FormatterTextsGolden) {
    struct Sample {
        const char* name;
        ScdcFormatter formatter;
        std::vector<uint32_t> values;
    };
    const Sample samples[] = {
        {"Reserved", &D::FormatScdcReserved, {0x00, 0x01, 0xFF, 0x100}},
        {"HexByte", &D::FormatScdcHexByte, {0x00, 0x0F, 0xA5}},
        {"AllReserved", &D::FormatScdcAllReserved, {0xA5, 0x5A}},
        {"Update0", &D::FormatScdcUpdate0, {0x05, 0xFA}},
        {"TmdsConfig", &D::FormatScdcTmdsConfig, {0x03, 0xFC, 0x02}},
        {"ScramblerStatus", &D::FormatScdcScramblerStatus, {0x01, 0xFE}},
        {"Config0", &D::FormatScdcConfig0, {0x01, 0xFE}},
        {"StatusFlags0", &D::FormatScdcStatusFlags0, {0x0F, 0xF0, 0x05}},
        {"ErrDetLow<0>", &D::FormatScdcErrDetLow<0>, {0x3C}},
        {"ErrDetLow<1>", &D::FormatScdcErrDetLow<1>, {0x05}},
        {"ErrDetLow<2>", &D::FormatScdcErrDetLow<2>, {0xFF}},
        {"ErrDetHigh<0>", &D::FormatScdcErrDetHigh<0>, {0x05, 0x80}},
        {"ErrDetHigh<1>", &D::FormatScdcErrDetHigh<1>, {0x85, 0x7F}},
        {"ErrDetHigh<2>", &D::FormatScdcErrDetHigh<2>, {0x85, 0x7F}},
        {"ErrDetChecksum", &D::FormatScdcErrDetChecksum, {0xA7, 0x00}},
        {"TestConfig0", &D::FormatScdcTestConfig0, {0x8A, 0x7F, 0x80}},
        {"OuiOctet<3>", &D::FormatScdcOuiOctet<3>, {0x12}},
        {"OuiOctet<2>", &D::FormatScdcOuiOctet<2>, {0x0A}},
        {"OuiOctet<1>", &D::FormatScdcOuiOctet<1>, {0xD8}},
        {"HardwareRev", &D::FormatScdcHardwareRev, {0x12, 0xF0}},
        {"SoftwareRev<Major>", &D::FormatScdcSoftwareRev<D::kScdcMajorRev>, {0x03}},
        {"SoftwareRev<Minor>", &D::FormatScdcSoftwareRev<D::kScdcMinorRev>, {0xAB}},
    };
    std::vector<std::string> lines;
    for (const Sample& sample : samples) {
        for (uint32_t value : sample.values) {
            char header[64];
            std::snprintf(header, sizeof header, "# %s %02Xh", sample.name, value);
            lines.push_back(header);
            const std::string text = Text(sample.formatter, value);
            ASSERT_TRUE(accepted_) << header;
            ASSERT_EQ(text.back(), '\n') << header;
            for (size_t begin = 0; begin < text.size();) {
                const size_t end = text.find('\n', begin);
                lines.push_back(text.substr(begin, end - begin));
                begin = end + 1;
            }
        }
    }
    EXPECT_TRUE(test::MatchesGolden(lines, "scdc_formatter_texts"));
}

// A text must be strictly shorter than the capacity; a refusal leaves the output as it was.
TEST_F(ScdcFormatterTest, CapacityMustExceedTheTextLength) {
    struct Case {
        ScdcFormatter formatter;
        uint32_t value;
        std::string text;
    };
    const Case cases[] = {
        {&D::FormatScdcHexByte, 0x12, "[7:0]: 12h\n"},
        {&D::FormatScdcReserved, 0x00, "Reserved\n"},
        {&D::FormatScdcErrDetHigh<1>, 0x85,
         "[7:0]: 85h\n    [7] Ch1_Valid (1) - Valid\n    [6:0] Channel 1 Error Count bits 14->8 (5h)\n"},
    };
    for (const Case& c : cases) {
        const int32_t length = static_cast<int32_t>(c.text.size());
        for (int32_t capacity : {-1, 0, length - 1, length}) {
            char out[256];
            std::memset(out, '#', sizeof out);
            EXPECT_FALSE((decoder_.*c.formatter)(&c.value, capacity, out)) << c.text << capacity;
            EXPECT_EQ(out[0], '#');
            EXPECT_EQ(out[length], '#');
        }
        char out[256];
        std::memset(out, '#', sizeof out);
        ASSERT_TRUE((decoder_.*c.formatter)(&c.value, length + 1, out));
        EXPECT_EQ(std::string(out), c.text);
        EXPECT_EQ(out[length + 1], '#') << "wrote past the terminator";
    }
    char out[8] = "keep";
    EXPECT_FALSE(decoder_.FormatScdcHexByte(nullptr, 64, out));
    EXPECT_STREQ(out, "keep");
    const uint32_t value = 1;
    EXPECT_FALSE(decoder_.FormatScdcHexByte(&value, 64, nullptr));
}

// Every register's formatter explains every byte within the capacity the handlers give, as
// whole lines.
TEST_F(ScdcFormatterTest, EveryRegisterExplainsEveryByteInWholeLines) {
    size_t longest = 0;
    for (const ScdcRegisterEntry& entry : ScdcRegisterTable) {
        for (uint32_t value = 0; value < 256; ++value) {
            const std::string text = Text(entry.formatter, value);
            ASSERT_TRUE(accepted_) << std::hex << entry.offset << " " << value;
            ASSERT_FALSE(text.empty());
            EXPECT_EQ(text.back(), '\n');
            EXPECT_EQ(text.find("\n\n"), std::string::npos);
            longest = std::max(longest, text.size());
        }
    }
    EXPECT_LE(longest, 273u);
}

std::string NameOf(CDdcDecoder& decoder, uint32_t offset) {
    char out[256] = {};
    const int32_t capacity = sizeof out;
    EXPECT_EQ(decoder.GetScdcRegisterName(&offset, &capacity, out), 1);
    return out;
}

TEST_F(ScdcFormatterTest, RegisterNamesAndReservedGaps) {
    // Each register, the first and last offsets of each reserved range, and offsets with no
    // register; the names are in tests/golden/scdc_register_names.txt.
    const uint32_t offsets[] = {0x01, 0x02, 0x10, 0x11, 0x12, 0x1F, 0x20, 0x21, 0x30, 0x31, 0x3F,
                                0x40, 0x41, 0x42, 0x4F, 0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56,
                                0xC0, 0xC1, 0xCF, 0xD0, 0xD1, 0xD2, 0xD3, 0xDA, 0xDB, 0xDD, 0xDE,
                                0xFF, 0x00, 0x03, 0x0F, 0x22, 0x2F, 0x57, 0xBF, 0x100};
    std::vector<std::string> names;
    for (uint32_t offset : offsets) {
        char line[300];
        std::snprintf(line, sizeof line, "%02Xh %s", offset, NameOf(decoder_, offset).c_str());
        names.push_back(line);
    }
    EXPECT_TRUE(test::MatchesGolden(names, "scdc_register_names"));

    // 123 registers, of which only these may be written by a source.
    std::set<uint32_t> writable;
    for (const ScdcRegisterEntry& entry : ScdcRegisterTable)
        if (entry.sourceWritable) writable.insert(entry.offset);
    std::set<uint32_t> expected = {0x02, 0x10, 0x11, 0x20, 0x30, 0xC0};
    for (uint32_t offset = 0xDE; offset <= 0xFF; ++offset) expected.insert(offset);
    EXPECT_EQ(writable, expected);
    EXPECT_EQ(ScdcRegisterTable.size(), 123u);
}

TEST_F(ScdcFormatterTest, RegisterNameNeedsRoomForItsTerminator) {
    const uint32_t offset = 0x01;  // "Sink Version", 12 characters
    char out[32] = "unchanged";
    int32_t capacity = 12;
    EXPECT_EQ(decoder_.GetScdcRegisterName(&offset, &capacity, out), 0);
    EXPECT_STREQ(out, "unchanged");
    capacity = 13;
    EXPECT_EQ(decoder_.GetScdcRegisterName(&offset, &capacity, out), 1);
    EXPECT_STREQ(out, "Sink Version");
    const uint32_t gap = 0x05;  // "Reserved", 8 characters
    capacity = 8;
    EXPECT_EQ(decoder_.GetScdcRegisterName(&gap, &capacity, out), 0);
    EXPECT_STREQ(out, "Sink Version");
}

}  // namespace
}  // namespace hdmi
