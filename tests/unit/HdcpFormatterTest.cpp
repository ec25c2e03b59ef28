// The HDCP register formatters at the edges the report tests do not reach: the key-selection
// vector's validity and capacity, the debug register's end, the argument checks, the V' names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ddc/DdcDecoder.h"
#include "hdcp_scdc/HdcpMaps.h"

namespace hdmi {
namespace {

class HdcpFormatterTest : public ::testing::Test {
  protected:
    // Calls a register formatter as InterpretHdcpRegister does: a cleared 128-byte output and the
    // register's bytes with 8 bits each.
    std::string Run(EntryFormatter formatter, const std::vector<uint8_t>& bytes) {
        char out[128] = {};
        result_ =
            (decoder_.*formatter)(out, sizeof out, bytes.data(), 8 * static_cast<int32_t>(bytes.size()));
        return out;
    }

    CDdcDecoder decoder_;
    int32_t result_ = 99;
};

// The report tests show vectors of nineteen, twenty and twenty-one ones; these are the edges.
TEST_F(HdcpFormatterTest, KsvIsValidWithTwentyOnesAndTwentyZerosOnly) {
    EXPECT_EQ(Run(&CDdcDecoder::FormatKsv, {0x00, 0x00, 0x00, 0x00, 0x00}), "00 00 00 00 00h  KSV Invalid!");
    EXPECT_EQ(result_, 0);
    EXPECT_EQ(Run(&CDdcDecoder::FormatKsv, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), "FF FF FF FF FFh  KSV Invalid!");
    // Twenty ones in six bytes leave 28 zeros: not a valid vector either.
    EXPECT_EQ(Run(&CDdcDecoder::FormatKsv, {0xFF, 0xFF, 0x0F, 0x00, 0x00, 0x00}),
              "FF FF 0F 00 00 00h  KSV Invalid!");
}

TEST_F(HdcpFormatterTest, KsvTextIsCutAtTheCapacity) {
    const uint8_t bytes[5] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    char out[16];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(decoder_.FormatKsv(out, 6, bytes, 40), 0);
    EXPECT_STREQ(out, "12 34");
    EXPECT_EQ(out[6], '#');
    // Nothing fits, not even the terminator.
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(decoder_.FormatKsv(out, 0, bytes, 40), 0);
    EXPECT_EQ(out[0], '#');
}

TEST_F(HdcpFormatterTest, FormattersRejectBadArgumentsAndLeaveTheOutput) {
    const uint8_t bytes[64] = {0x0F, 0x0F, 0x0F, 0x0F, 0x0F};
    for (EntryFormatter f : {&CDdcDecoder::FormatKsv, &CDdcDecoder::FormatDebugReg}) {
        char out[128] = "untouched";
        EXPECT_EQ((decoder_.*f)(nullptr, 128, bytes, 40), -1);
        EXPECT_EQ((decoder_.*f)(out, 128, nullptr, 40), -1);
        EXPECT_EQ((decoder_.*f)(out, -1, bytes, 40), -1);
        EXPECT_EQ((decoder_.*f)(out, 128, bytes, 0), -1);
        EXPECT_EQ((decoder_.*f)(out, 128, bytes, -8), -1);
        EXPECT_STREQ(out, "untouched");
        // The smallest accepted call.
        EXPECT_EQ((decoder_.*f)(out, 128, bytes, 1), 0);
    }
}

// The report tests show the eight rows of a whole register; past its bytes nothing is read.
TEST_F(HdcpFormatterTest, DebugRegRowStopsAtTheEndOfTheRegister) {
    std::vector<uint8_t> reg(64, 0x5A);
    decoder_.formatterCalls = 8;
    EXPECT_EQ(Run(&CDdcDecoder::FormatDebugReg, reg), "h");
    EXPECT_EQ(result_, 0);
    decoder_.formatterCalls = 0;
    EXPECT_EQ(Run(&CDdcDecoder::FormatDebugReg, {0xAA, 0xBB, 0xCC}), "AABBCCh");
}

// The report shows the two bytes as ".V"; the name must hold exactly A1h 56h.
TEST(HdcpMapTest, VPrimeNamesCarryTheTwoDashBytes) {
    for (const HdcpRegisterEntry* e = HdcpPrimaryMap; e->length != 0; ++e) {
        if (e->offset < 0x20 || e->offset > 0x30) continue;
        const std::string name = e->fields[0].name;
        const char h = static_cast<char>('0' + (e->offset - 0x20) / 4);
        EXPECT_EQ(name, std::string("SHA\xA1\x56") + "1 hash value(H" + h + ", Rd)");
        EXPECT_EQ(name.size(), 25u);
    }
}

}  // namespace
}  // namespace hdmi
