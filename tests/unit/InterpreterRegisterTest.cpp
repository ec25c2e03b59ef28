// The register-level driver on a test map: entry search, repeat / optional / skip entries, the hex
// dump of unmapped bytes, acknowledge colours, entries cut short, the map choice by block and tag,
// a formatter failure ending the pass; and IsAckAnomaly at the end of a stream.
#include <gtest/gtest.h>

#include "ReportRun.h"
#include "ddc/ReportWriter.h"
#include "edid/EdidMaps.h"
#include "platform/MessageBox.h"

namespace hdmi {
namespace {

using testing::kHeader;
using testing::kPlain;
using testing::PacketScript;
using Lines = std::vector<std::string>;

class InterpretRegisterTest : public testing::ReportRunTest {
  protected:
    // Block 1 read from offset `offset`: the map the test set stays in use, since the read does
    // not start at the block's first byte.
    Lines ReadWithMap(RegisterMap map, uint8_t offset, const std::vector<uint8_t>& bytes) {
        decoder_.currentMap = map;
        return Report(PacketScript().segmentedRead(1, offset, bytes));
    }
};

// Positions: the segment address at 20, the offset write's address at 80, the read's address at
// 140, data byte k at 170 + 20k.
Lines WriteRows(const char* offset) {
    return {
        kHeader,
        kPlain + "20,\"30\",\" \",\"EDID Segment Reg\",\"01h\"\r\n",
        kPlain + "80,\"50(EDID)\",\"Sequential Read\",\"Offset(" + offset + "h)\",\" \"\r\n",
    };
}

TEST_F(InterpretRegisterTest, ReadWalksTheMapEntryByEntryThenDumpsWhatNoEntryCovers) {
    decoder_.sectionMask = 0b100;  // optional A (bit 0) is skipped; after the shift, B (bit 1) is used
    const Lines lines = ReadWithMap(testing::kTestMap, 0x01,
                                    {0x34, 0x12, 0x02, 0x01, 0x00, 0x55, 0x04, 0x66, 0x77, 0x88, 0x99, 0xAA});
    Lines expected = WriteRows("01");
    expected.insert(expected.end(),
                    {
                        // The read's address row is still open when the first entry sets its clock and cells.
                        kPlain + "170,\"50(EDID)\",\"0x01\",\"ID Product Code\",\"12 34h\"\r\n",
                        // A repeating entry stays while its result is non-zero.
                        kPlain + "210,\" \",\"0x03\",\"Repeat\",\"r2\"\r\n",
                        kPlain + "230,\" \",\"0x03\",\"Repeat\",\"r1\"\r\n",
                        kPlain + "250,\" \",\"0x03\",\"Repeat\",\"r0\"\r\n",
                        kPlain + "270,\" \",\"0x05\",\"Optional B\",\"55h\"\r\n",
                        // Result 4 with kEntrySkipOnResult skips two entries, kEntrySkip skips two more.
                        kPlain + "290,\" \",\"0x06\",\"Skip on result\",\"r4\"\r\n",
                        kPlain + "310,\" \",\"0x08\",\"Skip\",\"66h\"\r\n",
                        kPlain + "330,\" \",\"0x0A\",\"Last\",\"77h\"\r\n",
                        // Past the map: a hex dump, committed by the end of the pass, keeping the last clock.
                        kPlain + "330,\" \",\" \",\" \",\"88 99 AAh\"\r\n",
                    });
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(decoder_.sectionMask, 0b10u);
    EXPECT_EQ(decoder_.checksum,
              static_cast<uint8_t>(0x34 + 0x12 + 0x02 + 0x01 + 0x00 + 0x55 + 0x04 + 0x66 + 0x77));
}

TEST_F(InterpretRegisterTest, ReadStartingInsideTheMapBeginsAtTheEntryOfItsOffset) {
    const Lines lines = ReadWithMap(testing::kTestMap, 0x06, {0x00, 0x11});
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], kPlain + "170,\"50(EDID)\",\"0x06\",\"Skip on result\",\"r0\"\r\n");
    EXPECT_EQ(lines[4], kPlain + "190,\" \",\"0x07\",\"Skipped\",\"11h\"\r\n");  // result 0: next entry
}

TEST_F(InterpretRegisterTest, OffsetWithoutAnEntryIsDumpedEightBytesPerRow) {
    std::vector<uint8_t> bytes;
    for (int k = 0; k < 20; ++k) bytes.push_back(static_cast<uint8_t>(0xE0 + k));
    const Lines lines = ReadWithMap(testing::kTestMap, 0x02, bytes);
    Lines expected = WriteRows("02");
    expected.insert(expected.end(),
                    {
                        kPlain + "140,\"50(EDID)\",\" \",\" \",\"E0 E1 E2 E3 E4 E5 E6 E7h\"\r\n",
                        kPlain + "330,\" \",\" \",\" \",\"E8 E9 EA EB EC ED EE EFh\"\r\n",
                        kPlain + "490,\" \",\" \",\" \",\"F0 F1 F2 F3h\"\r\n",
                    });
    EXPECT_EQ(lines, expected);
}

TEST_F(InterpretRegisterTest, AnomalousAcknowledgeColoursTheEntrysDataCell) {
    decoder_.currentMap = testing::kTestMap;
    PacketScript script;
    script.start().addr(0x30, false).ack().data(0x01).ack();
    script.restart().addr(0x50, false).ack().data(0x01).ack();
    script.restart().addr(0x50, true).ack().data(0x34).nack().data(0x12).ack().data(0x00).nack().stop();
    const Lines lines = Report(script);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], "|@01234567EF|@170,\"50(EDID)\",\"0x01\",\"ID Product Code\",\"12 34h\"\r\n");
    EXPECT_EQ(lines[4],
              kPlain + "210,\" \",\"0x03\",\"Repeat\",\"r0\"\r\n");  // the last byte NACKed before stop
}

TEST_F(InterpretRegisterTest, FinalByteAcknowledgedBeforeStopIsAnomalous) {
    decoder_.currentMap = testing::kTestMap;
    PacketScript script;
    script.start().addr(0x30, false).ack().data(0x01).ack();
    script.restart().addr(0x50, false).ack().data(0x01).ack();
    script.restart().addr(0x50, true).ack().bytes({0x34, 0x12}, false).stop();
    EXPECT_EQ(Report(script).back(),
              "|@01234567EF|@170,\"50(EDID)\",\"0x01\",\"ID Product Code\",\"12 34h\"\r\n");
}

TEST_F(InterpretRegisterTest, EntryCutShortIsNotInterpretedButTheWalkGoesOn) {
    decoder_.currentMap = testing::kTestMap;
    PacketScript script = PacketScript().segmentedRead(1, 0x01, {0x34});  // one byte of a two-byte entry
    script.start().addr(0x50, true).ack().bytes({0x07}).stop();           // current address read
    const Lines lines = Report(script);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], kPlain + "170,\"50(EDID)\",\"0x01\",\" \",\" \"\r\n");
    // The next read starts at an unknown offset of block 0: dumped.
    EXPECT_EQ(lines[4], kPlain + "220,\"50(EDID)\",\"Current Addr Read\",\" \",\"07h\"\r\n");
}

TEST_F(InterpretRegisterTest, FormatterFailureShowsDecoderErrorAndEndsThePass) {
    const int boxes = platform::MessageBoxCount();
    decoder_.currentMap = testing::kFailingMap;
    PacketScript script = PacketScript().segmentedRead(1, 0x01, {0x01, 0x02, 0x03});
    script.start().addr(0x40, false).ack().stop();  // never reported: the pass has ended
    const Lines lines = Report(script);
    EXPECT_EQ(platform::MessageBoxCount(), boxes + 1);
    EXPECT_STREQ(platform::LastMessageBoxText(), "Decoder Error");
    const Lines expected = {
        kHeader,
        kPlain + "20,\"30\",\" \",\"EDID Segment Reg\",\"01h\"\r\n",
        kPlain + "80,\"50(EDID)\",\"Sequential Read\",\"Offset(01h)\",\" \"\r\n",
        kPlain + "170,\"50(EDID)\",\"0x01\",\"Before\",\"1\"\r\n",
        // The failing row's caption was set; the report's end commits it.
        kPlain + "170,\" \",\" \",\"Failing\",\" \"\r\n",
    };
    EXPECT_EQ(lines, expected);
}

// The map is chosen by the block: block 0 the base map, another block by its tag byte when the
// read starts at the block's first byte; the choice then stays for the rest of the read.
TEST_F(InterpretRegisterTest, ExtensionTagChoosesTheMapForTheRestOfTheRead) {
    struct Case {
        uint8_t tag;
        RegisterMap map;
    };
    for (const Case& c :
         {Case{0x10, kExtensionTag10Map}, Case{0x50, kExtensionTag50Map}, Case{0x02, kBaseBlockMap}}) {
        testing::TestDecoder decoder;
        decoder.currentMap = testing::kTestMap;
        testing::ResetSink();
        PacketScript()
            .edidRead(0x80, {c.tag, 0x01, 0x02, 0x03})
            .LoadInto(decoder);  // word offset 80h: block 1
        decoder.RunReport(context_);
        EXPECT_EQ(decoder.currentMap, c.map) << "tag " << int(c.tag);
        EXPECT_EQ(decoder.segment, 1);
        EXPECT_EQ(decoder.wordOffset, 0);
    }
    testing::TestDecoder decoder;
    decoder.currentMap = testing::kTestMap;
    PacketScript().segmentedRead(0, 0x10, {0x00, 0x00}).LoadInto(decoder);
    decoder.RunReport(context_);
    EXPECT_EQ(decoder.currentMap, kBaseBlockMap);
}

TEST_F(InterpretRegisterTest, PositionPastTheStreamEndsThePass) {
    PacketScript().edidRead(0x00, {0x00}).LoadInto(decoder_);
    const uint32_t length = static_cast<uint32_t>(decoder_.words.Count());
    int32_t position = static_cast<int32_t>(length) + 3;
    int32_t entry = 0;
    CReportWriter writer;
    EXPECT_EQ(decoder_.InterpretRegister(length, position, entry, writer), -1);
    position = static_cast<int32_t>(length) + 2;
    decoder_.segment = -2;
    EXPECT_EQ(decoder_.InterpretRegister(length, position, entry, writer), 0);
}

// ---- IsAckAnomaly ----------------------------------------------------------------------------

struct AckCase {
    const char* what;
    PacketScript script;
    int packet;  // the packet tested, counted from the first after the opening Idle
    bool anomalous;
};

class IsAckAnomalyTest : public ::testing::Test {
  protected:
    bool Anomalous(const PacketScript& script, int packet) {
        testing::TestDecoder decoder;
        script.LoadInto(decoder);
        return decoder.IsAckAnomaly((packet + 1) * kPacketEntries) != 0;
    }
};

TEST_F(IsAckAnomalyTest, DataBytes) {
    const std::vector<AckCase> cases = {
        {"acknowledged, more follows", PacketScript().data(1).ack().data(2).ack().stop(), 0, false},
        {"not acknowledged, more follows", PacketScript().data(1).nack().data(2).ack().stop(), 0, true},
        {"last byte not acknowledged before stop", PacketScript().data(1).nack().stop(), 0, false},
        {"last byte acknowledged before stop", PacketScript().data(1).ack().stop(), 0, true},
        {"no acknowledge after the byte", PacketScript().data(1).data(2).ack().stop(), 0, true},
    };
    for (const AckCase& c : cases) EXPECT_EQ(Anomalous(c.script, c.packet), c.anomalous) << c.what;
}

TEST_F(IsAckAnomalyTest, AddressBytesLookPastTheirDirection) {
    const std::vector<AckCase> cases = {
        {"acknowledged address", PacketScript().start().addr(0x50, true).ack().data(1).nack().stop(), 1,
         false},
        {"address not acknowledged", PacketScript().start().addr(0x50, true).nack().data(1).stop(), 1, true},
        {"address not acknowledged, stop", PacketScript().start().addr(0x50, true).nack().stop(), 1, false},
        {"address acknowledged, stop", PacketScript().start().addr(0x50, false).ack().stop(), 1, true},
        {"8-bit address acknowledged", PacketScript().start().addr8(0xA1).ack().data(1).nack().stop(), 1,
         false},
    };
    for (const AckCase& c : cases) EXPECT_EQ(Anomalous(c.script, c.packet), c.anomalous) << c.what;
}

TEST_F(IsAckAnomalyTest, TooFewPacketsAfterTheByteIsAnomalous) {
    testing::TestDecoder empty;
    EXPECT_EQ(empty.IsAckAnomaly(0), -1);
    testing::TestDecoder decoder;
    PacketScript().data(1).LoadInto(decoder);  // Idle, Data, closing entry: 7 entries
    EXPECT_EQ(decoder.IsAckAnomaly(3), -1);    // 3 + 6 > 7
    testing::TestDecoder twoPackets;
    PacketScript().start().addr(0x50, true).LoadInto(twoPackets);  // no acknowledge stored yet
    EXPECT_EQ(twoPackets.IsAckAnomaly(6), -1);
}

}  // namespace
}  // namespace hdmi
