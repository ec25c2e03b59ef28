// The SCDC register formatters and register table: each formatter's lines with values that set
// and clear every bit, the capacity test, and the register names with their reserved gaps.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

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

TEST_F(ScdcFormatterTest, ReservedLooksAtTheWholeValue) {
    EXPECT_EQ(Text(&D::FormatScdcReserved, 0x00), "Reserved\n");
    EXPECT_EQ(Text(&D::FormatScdcReserved, 0x01), "Unknown Data\n");
    EXPECT_EQ(Text(&D::FormatScdcReserved, 0xFF), "Unknown Data\n");
    // Bits above the register byte still make it data.
    EXPECT_EQ(Text(&D::FormatScdcReserved, 0x100), "Unknown Data\n");
}

TEST_F(ScdcFormatterTest, HexByteIsTheHeaderLineOnly) {
    EXPECT_EQ(Text(&D::FormatScdcHexByte, 0x00), "[7:0]: 00h\n");
    EXPECT_EQ(Text(&D::FormatScdcHexByte, 0x0F), "[7:0]: 0Fh\n");
    EXPECT_EQ(Text(&D::FormatScdcHexByte, 0xA5), "[7:0]: A5h\n");
}

TEST_F(ScdcFormatterTest, AllReservedListsEveryBitFromSevenDown) {
    EXPECT_EQ(Text(&D::FormatScdcAllReserved, 0xA5),
              "[7:0]: A5h\n"
              "    [7] Rsvd (1)\n    [6] Rsvd (0)\n    [5] Rsvd (1)\n    [4] Rsvd (0)\n"
              "    [3] Rsvd (0)\n    [2] Rsvd (1)\n    [1] Rsvd (0)\n    [0] Rsvd (1)\n");
    EXPECT_EQ(Text(&D::FormatScdcAllReserved, 0x5A),
              "[7:0]: 5Ah\n"
              "    [7] Rsvd (0)\n    [6] Rsvd (1)\n    [5] Rsvd (0)\n    [4] Rsvd (1)\n"
              "    [3] Rsvd (1)\n    [2] Rsvd (0)\n    [1] Rsvd (1)\n    [0] Rsvd (0)\n");
}

TEST_F(ScdcFormatterTest, Update0FlagsAreClearOrReset) {
    EXPECT_EQ(Text(&D::FormatScdcUpdate0, 0x05),
              "[7:0]: 05h\n"
              "    [7] Rsvd (0)\n    [6] Rsvd (0)\n    [5] Rsvd (0)\n    [4] Rsvd (0)\n    [3] Rsvd (0)\n"
              "    [2] RR_Test (1) - clear\n"
              "    [1] CED_Update (0) - reset\n"
              "    [0] Status_Update (1) - clear\n");
    EXPECT_EQ(Text(&D::FormatScdcUpdate0, 0xFA),
              "[7:0]: FAh\n"
              "    [7] Rsvd (1)\n    [6] Rsvd (1)\n    [5] Rsvd (1)\n    [4] Rsvd (1)\n    [3] Rsvd (1)\n"
              "    [2] RR_Test (0) - reset\n"
              "    [1] CED_Update (1) - clear\n"
              "    [0] Status_Update (0) - reset\n");
}

TEST_F(ScdcFormatterTest, TmdsConfigRatioAndScrambling) {
    const std::string zeros =
        "    [7] Rsvd (0)\n    [6] Rsvd (0)\n    [5] Rsvd (0)\n    [4] Rsvd (0)\n"
        "    [3] Rsvd (0)\n    [2] Rsvd (0)\n";
    const std::string ones =
        "    [7] Rsvd (1)\n    [6] Rsvd (1)\n    [5] Rsvd (1)\n    [4] Rsvd (1)\n"
        "    [3] Rsvd (1)\n    [2] Rsvd (1)\n";
    EXPECT_EQ(Text(&D::FormatScdcTmdsConfig, 0x03), "[7:0]: 03h\n" + zeros +
                                                        "    [1] TMDS_Bit_Clock_Ratio (1) - ratio: 1/40\n"
                                                        "    [0] Scrambling_Enable (1) - enable\n");
    EXPECT_EQ(Text(&D::FormatScdcTmdsConfig, 0xFC), "[7:0]: FCh\n" + ones +
                                                        "    [1] TMDS_Bit_Clock_Ratio (0) - ratio: 1/10\n"
                                                        "    [0] Scrambling_Enable (0) - disable\n");
    // The two bits are independent.
    EXPECT_EQ(Text(&D::FormatScdcTmdsConfig, 0x02), "[7:0]: 02h\n" + zeros +
                                                        "    [1] TMDS_Bit_Clock_Ratio (1) - ratio: 1/40\n"
                                                        "    [0] Scrambling_Enable (0) - disable\n");
}

TEST_F(ScdcFormatterTest, ScramblerStatusAndConfig0HaveOneNamedBit) {
    const std::string zeros =
        "    [7] Rsvd (0)\n    [6] Rsvd (0)\n    [5] Rsvd (0)\n    [4] Rsvd (0)\n"
        "    [3] Rsvd (0)\n    [2] Rsvd (0)\n    [1] Rsvd (0)\n";
    const std::string ones =
        "    [7] Rsvd (1)\n    [6] Rsvd (1)\n    [5] Rsvd (1)\n    [4] Rsvd (1)\n"
        "    [3] Rsvd (1)\n    [2] Rsvd (1)\n    [1] Rsvd (1)\n";
    EXPECT_EQ(Text(&D::FormatScdcScramblerStatus, 0x01),
              "[7:0]: 01h\n" + zeros + "    [0] Scrambling_Status (1) - detected\n");
    EXPECT_EQ(Text(&D::FormatScdcScramblerStatus, 0xFE),
              "[7:0]: FEh\n" + ones + "    [0] Scrambling_Status (0) - no detected\n");
    // RR_Enable has no meaning text.
    EXPECT_EQ(Text(&D::FormatScdcConfig0, 0x01), "[7:0]: 01h\n" + zeros + "    [0] RR_Enable (1)\n");
    EXPECT_EQ(Text(&D::FormatScdcConfig0, 0xFE), "[7:0]: FEh\n" + ones + "    [0] RR_Enable (0)\n");
}

TEST_F(ScdcFormatterTest, StatusFlags0LocksPerChannelAndClock) {
    EXPECT_EQ(Text(&D::FormatScdcStatusFlags0, 0x0F),
              "[7:0]: 0Fh\n"
              "    [7] Rsvd (0)\n    [6] Rsvd (0)\n    [5] Rsvd (0)\n    [4] Rsvd (0)\n"
              "    [3] Ch2_Locked (1) - Ch2 Successfully decode\n"
              "    [2] Ch1_Locked (1) - Ch1 Successfully decode\n"
              "    [1] Ch0_Locked (1) - Ch0 Successfully decode\n"
              "    [0] Clock_Detected (1) - detected\n");
    EXPECT_EQ(Text(&D::FormatScdcStatusFlags0, 0xF0),
              "[7:0]: F0h\n"
              "    [7] Rsvd (1)\n    [6] Rsvd (1)\n    [5] Rsvd (1)\n    [4] Rsvd (1)\n"
              "    [3] Ch2_Locked (0) - Ch2 Unsuccessfully decode\n"
              "    [2] Ch1_Locked (0) - Ch1 Unsuccessfully decode\n"
              "    [1] Ch0_Locked (0) - Ch0 Unsuccessfully decode\n"
              "    [0] Clock_Detected (0) - no detected\n");
    // Each lock bit is read from its own position.
    EXPECT_EQ(Text(&D::FormatScdcStatusFlags0, 0x05),
              "[7:0]: 05h\n"
              "    [7] Rsvd (0)\n    [6] Rsvd (0)\n    [5] Rsvd (0)\n    [4] Rsvd (0)\n"
              "    [3] Ch2_Locked (0) - Ch2 Unsuccessfully decode\n"
              "    [2] Ch1_Locked (1) - Ch1 Successfully decode\n"
              "    [1] Ch0_Locked (0) - Ch0 Unsuccessfully decode\n"
              "    [0] Clock_Detected (1) - detected\n");
}

TEST_F(ScdcFormatterTest, ErrorCountersPerChannel) {
    EXPECT_EQ(Text(&D::FormatScdcErrDetLow<0>, 0x3C), "[7:0] Channel 0 Error Count bits 7->0 (3Ch)\n");
    EXPECT_EQ(Text(&D::FormatScdcErrDetLow<1>, 0x05), "[7:0] Channel 1 Error Count bits 7->0 (05h)\n");
    EXPECT_EQ(Text(&D::FormatScdcErrDetLow<2>, 0xFF), "[7:0] Channel 2 Error Count bits 7->0 (FFh)\n");

    // Channel 0 keeps "bis"; channel 1 prints its count without a leading zero.
    EXPECT_EQ(
        Text(&D::FormatScdcErrDetHigh<0>, 0x05),
        "[7:0]: 05h\n    [7] Ch0_Valid (0) - Invalid\n    [6:0] Channel 0 Error Count bis 14->8 (05h)\n");
    EXPECT_EQ(Text(&D::FormatScdcErrDetHigh<0>, 0x80),
              "[7:0]: 80h\n    [7] Ch0_Valid (1) - Valid\n    [6:0] Channel 0 Error Count bis 14->8 (00h)\n");
    EXPECT_EQ(Text(&D::FormatScdcErrDetHigh<1>, 0x85),
              "[7:0]: 85h\n    [7] Ch1_Valid (1) - Valid\n    [6:0] Channel 1 Error Count bits 14->8 (5h)\n");
    EXPECT_EQ(
        Text(&D::FormatScdcErrDetHigh<1>, 0x7F),
        "[7:0]: 7Fh\n    [7] Ch1_Valid (0) - Invalid\n    [6:0] Channel 1 Error Count bits 14->8 (7Fh)\n");
    EXPECT_EQ(
        Text(&D::FormatScdcErrDetHigh<2>, 0x85),
        "[7:0]: 85h\n    [7] Ch2_Valid (1) - Valid\n    [6:0] Channel 2 Error Count bits 14->8 (05h)\n");
    EXPECT_EQ(
        Text(&D::FormatScdcErrDetHigh<2>, 0x7F),
        "[7:0]: 7Fh\n    [7] Ch2_Valid (0) - Invalid\n    [6:0] Channel 2 Error Count bits 14->8 (7Fh)\n");

    EXPECT_EQ(Text(&D::FormatScdcErrDetChecksum, 0xA7),
              "[7:0] Checksum of Character Error Detection (A7h)\n");
    EXPECT_EQ(Text(&D::FormatScdcErrDetChecksum, 0x00),
              "[7:0] Checksum of Character Error Detection (00h)\n");
}

TEST_F(ScdcFormatterTest, TestConfig0DelayIsDecimal) {
    EXPECT_EQ(Text(&D::FormatScdcTestConfig0, 0x8A),
              "[7:0]: 8Ah\n    [7] TestReadRequest (1) - set\n    [6:0] TestReadRequestDelay - wait 10ms\n");
    EXPECT_EQ(
        Text(&D::FormatScdcTestConfig0, 0x7F),
        "[7:0]: 7Fh\n    [7] TestReadRequest (0) - clear\n    [6:0] TestReadRequestDelay - wait 127ms\n");
    EXPECT_EQ(Text(&D::FormatScdcTestConfig0, 0x80),
              "[7:0]: 80h\n    [7] TestReadRequest (1) - set\n    [6:0] TestReadRequestDelay - wait 0ms\n");
}

TEST_F(ScdcFormatterTest, ManufacturerOuiAndRevisions) {
    EXPECT_EQ(Text(&D::FormatScdcOuiOctet<3>, 0x12), "[7:0] Manufacturer_OUI_1, Third Octet - 12h\n");
    EXPECT_EQ(Text(&D::FormatScdcOuiOctet<2>, 0x0A), "[7:0] Manufacturer_OUI_2, Second Octet - 0Ah\n");
    EXPECT_EQ(Text(&D::FormatScdcOuiOctet<1>, 0xD8), "[7:0] Manufacturer_OUI_3, First Octet - D8h\n");

    EXPECT_EQ(Text(&D::FormatScdcHardwareRev, 0x12),
              "[7:0]: 12h\n    [7:4] Decice ID: Hardware_Major_Rev: 1h\n    [3:0] Device ID: "
              "Hardware_Minor_Rev: 2h\n");
    EXPECT_EQ(Text(&D::FormatScdcHardwareRev, 0xF0),
              "[7:0]: F0h\n    [7:4] Decice ID: Hardware_Major_Rev: Fh\n    [3:0] Device ID: "
              "Hardware_Minor_Rev: 0h\n");

    EXPECT_EQ(Text(&D::FormatScdcSoftwareRev<D::kScdcMajorRev>, 0x03), "[7:0] Software_Major_Rev: 03h\n");
    EXPECT_EQ(Text(&D::FormatScdcSoftwareRev<D::kScdcMinorRev>, 0xAB), "[7:0] Software_Minor_Rev: ABh\n");
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
    const std::pair<uint32_t, const char*> names[] = {
        {0x01, "Sink Version"},
        {0x02, "Source Version"},
        {0x10, "Update_0"},
        {0x11, "Update_1"},
        {0x12, "Reserved for Update Related Uses"},
        {0x1F, "Reserved for Update Related Uses"},
        {0x20, "TMDS_Config"},
        {0x21, "Scrambler_Status"},
        {0x30, "Config_0"},
        {0x31, "Reserved for Configuration"},
        {0x3F, "Reserved for Configuration"},
        {0x40, "Status_Flags_0"},
        {0x41, "Status_Flags_1"},
        {0x42, "Reserved for Status Related Uses"},
        {0x4F, "Reserved for Status Related Uses"},
        {0x50, "Err_Det_0_L"},
        {0x51, "Err_Det_0_H"},
        {0x52, "Err_Det_1_L"},
        {0x53, "Err_Det_1_H"},
        {0x54, "Err_Det_2_L"},
        {0x55, "Err_Det_2_H"},
        {0x56, "Err_Det_Checksum"},
        {0xC0, "Test_Config_0"},
        {0xC1, "Reserved for test features"},
        {0xCF, "Reserved for test features"},
        {0xD0, "Manufacturer IEEE OUI, Third Octet"},
        {0xD1, "Manufacturer IEEE OUI, Second Octet"},
        {0xD2, "Manufacturer IEEE OUI, First Octer"},
        {0xD3, "Device ID"},
        {0xDA, "Device ID"},
        {0xDB, "Device ID"},
        {0xDD, "Device ID"},
        {0xDE, "Manufacturer Specific"},
        {0xFF, "Manufacturer Specific"},
        // Offsets with no register.
        {0x00, "Reserved"},
        {0x03, "Reserved"},
        {0x0F, "Reserved"},
        {0x22, "Reserved"},
        {0x2F, "Reserved"},
        {0x57, "Reserved"},
        {0xBF, "Reserved"},
        {0x100, "Reserved"},
    };
    for (const auto& [offset, name] : names) EXPECT_EQ(NameOf(decoder_, offset), name) << std::hex << offset;

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
