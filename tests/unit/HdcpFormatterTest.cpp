// The HDCP register formatters (the key-selection vector and its validity test, the debug
// register's rows) and the two port maps.
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

TEST_F(HdcpFormatterTest, KsvWithTwentyOnesIsValid) {
    // 0F 0F 0F 0F 0F: 4 ones per byte is 20 ones, 20 zeros.
    EXPECT_EQ(Run(&CDdcDecoder::FormatKsv, {0x0F, 0x0F, 0x0F, 0x0F, 0x0F}), "0F 0F 0F 0F 0Fh");
    EXPECT_EQ(result_, 0);
    // Unevenly spread ones: FF FF 0F 00 00 = 8 + 8 + 4.
    EXPECT_EQ(Run(&CDdcDecoder::FormatKsv, {0xFF, 0xFF, 0x0F, 0x00, 0x00}), "FF FF 0F 00 00h");
}

TEST_F(HdcpFormatterTest, KsvWithAnyOtherCountOfOnesIsInvalid) {
    // 19 and 21 ones.
    EXPECT_EQ(Run(&CDdcDecoder::FormatKsv, {0xFF, 0xFF, 0x07, 0x00, 0x00}), "FF FF 07 00 00h  KSV Invalid!");
    EXPECT_EQ(Run(&CDdcDecoder::FormatKsv, {0xFF, 0xFF, 0x1F, 0x00, 0x00}), "FF FF 1F 00 00h  KSV Invalid!");
    EXPECT_EQ(result_, 0);
    EXPECT_EQ(Run(&CDdcDecoder::FormatKsv, {0x00, 0x00, 0x00, 0x00, 0x00}), "00 00 00 00 00h  KSV Invalid!");
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

TEST_F(HdcpFormatterTest, DebugRegRowShowsTheEightBytesOfItsCallNumber) {
    std::vector<uint8_t> reg(64);
    for (int i = 0; i < 64; ++i) reg[i] = static_cast<uint8_t>(0x10 + i);
    decoder_.formatterCalls = 0;
    EXPECT_EQ(Run(&CDdcDecoder::FormatDebugReg, reg), "1011121314151617h");
    EXPECT_EQ(result_, 0);
    decoder_.formatterCalls = 1;
    EXPECT_EQ(Run(&CDdcDecoder::FormatDebugReg, reg), "18191A1B1C1D1E1Fh");
    decoder_.formatterCalls = 7;
    EXPECT_EQ(Run(&CDdcDecoder::FormatDebugReg, reg), "48494A4B4C4D4E4Fh");
    // Past the register's bytes nothing is read.
    decoder_.formatterCalls = 8;
    EXPECT_EQ(Run(&CDdcDecoder::FormatDebugReg, reg), "h");
    decoder_.formatterCalls = 0;
    EXPECT_EQ(Run(&CDdcDecoder::FormatDebugReg, {0xAA, 0xBB, 0xCC}), "AABBCCh");
}

std::vector<uint32_t> Offsets(const HdcpRegisterEntry* map) {
    std::vector<uint32_t> offsets;
    for (; map->length != 0; ++map) offsets.push_back(map->offset);
    return offsets;
}

TEST(HdcpMapTest, SecondaryPortLacksTheRepeaterRegisters) {
    EXPECT_EQ(Offsets(HdcpPrimaryMap), (std::vector<uint32_t>{0x00, 0x08, 0x0A, 0x10, 0x15, 0x18, 0x20, 0x24,
                                                              0x28, 0x2C, 0x30, 0x40, 0x41, 0x43, 0xC0}));
    EXPECT_EQ(Offsets(HdcpSecondaryMap), (std::vector<uint32_t>{0x00, 0x08, 0x0A, 0x10, 0x15, 0x18, 0xC0}));
    // Shared registers share their field tables.
    for (const HdcpRegisterEntry* s = HdcpSecondaryMap; s->length != 0; ++s) {
        const HdcpRegisterEntry* p = HdcpPrimaryMap;
        while (p->offset != s->offset) ++p;
        EXPECT_EQ(p->fields, s->fields);
        EXPECT_EQ(p->length, s->length);
    }
}

// The maps' compile-time check tells formatter registers by their field tables; the maps must
// agree with it.
TEST(HdcpMapTest, OnlyTheKeyVectorsAndTheDebugRegisterHaveFormatters) {
    for (const HdcpRegisterEntry* map : {HdcpPrimaryMap, HdcpSecondaryMap}) {
        for (const HdcpRegisterEntry* e = map; e->length != 0; ++e) {
            if (e->offset == 0x00 || e->offset == 0x10)
                EXPECT_TRUE(e->formatter == &CDdcDecoder::FormatKsv) << e->offset;
            else if (e->offset == 0xC0)
                EXPECT_TRUE(e->formatter == &CDdcDecoder::FormatDebugReg);
            else
                EXPECT_TRUE(e->formatter == nullptr) << e->offset;
        }
    }
}

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
