// The DDC transaction classifier and the report driver: address rows and their targets, segment
// and offset bookkeeping, HDCP accesses that leave no register rows, the statistics pass,
// abort, progress and continuous mode, and both report outputs.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ReportRun.h"

namespace hdmi {
namespace {

using testing::kHeader;
using testing::kPlain;
using testing::PacketScript;
using Lines = std::vector<std::string>;
using Cells = std::vector<std::string>;

class ClassifierTest : public testing::ReportRunTest {
  protected:
    static bool AnyCellHas(const Lines& lines, const std::string& text) {
        for (size_t k = 1; k < lines.size(); ++k)
            if (lines[k].find(text) != std::string::npos) return true;
        return false;
    }
};

TEST_F(ClassifierTest, ReportOverNoPacketsIsTheHeaderAlone) {
    EXPECT_EQ(Report(PacketScript()), (Lines{kHeader}));
    testing::ResetSink();
    testing::TestDecoder fresh;  // not even the opening Idle: as ReportProc's own empty streams
    fresh.RunReport(context_);
    EXPECT_EQ(testing::Sink().lines, (Lines{kHeader}));
    EXPECT_EQ(testing::Sink().endCalls, 1);
}

TEST_F(ClassifierTest, SequentialReadNamesTheOffsetWriteAndNotTheRead) {
    const Lines lines = Report(PacketScript().edidRead(0x00, std::vector<uint8_t>(128, 0x00)));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], kPlain + "20,\"50(EDID)\",\"Sequential Read\",\"Offset(00h)\",\" \"\r\n");
    EXPECT_EQ(CellRows(lines)[1][0], "50(EDID)");
    EXPECT_FALSE(AnyCellHas(lines, "Current Addr Read"));
}

TEST_F(ClassifierTest, CurrentAddressReadIsLabelledAndItsBytesDumped) {
    const Lines lines =
        Report(PacketScript().start().addr(0x50, true).ack().bytes({0, 1, 2, 3, 4, 5, 6, 7, 8}).stop());
    const Lines expected = {
        kHeader,
        kPlain + "20,\"50(EDID)\",\"Current Addr Read\",\" \",\"00 01 02 03 04 05 06 07h\"\r\n",
        kPlain + "210,\" \",\" \",\" \",\"08h\"\r\n",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(ClassifierTest, EightBitAddressingShowsTheWholeAddressByte) {
    context_.DecodeFlags |= kDecodeEightBit;
    PacketScript script;
    script.start().addr8(0x60).ack().data(0x00).ack();
    script.restart().addr8(0xA0).ack().data(0x05).ack();
    script.restart().addr8(0xA1).ack().bytes({0xAB}).stop();
    const Lines expected = {
        kHeader, kPlain + "20,\"60\",\" \",\"EDID Segment Reg\",\"00h\"\r\n",
        kPlain + "70,\"A0(EDID)\",\"Sequential Read\",\"Offset(05h)\",\" \"\r\n",
        kPlain + "120,\"A1(EDID)\",\" \",\" \",\"ABh\"\r\n",  // no entry begins at 05h: dumped
    };
    EXPECT_EQ(Report(script), expected);
}

TEST_F(ClassifierTest, ReadOfTheSegmentRegisterIsAnError) {
    const Lines lines = Report(PacketScript().start().addr(0x30, true).ack().bytes({0x01}).stop());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], kPlain + "20,\"30\",\" \",\"Error !! EDID Segment Reg is Write Only!\",\"01h\"\r\n");
}

TEST_F(ClassifierTest, UnknownAddressGetsOneRowAndItsBytesNone) {
    PacketScript script = PacketScript().start().addr(0x40, false).ack().data(1).ack().data(2).nack().stop();
    const Lines lines = Report(script);
    EXPECT_EQ(lines, (Lines{kHeader, kPlain + "20,\"40\",\" \",\"Not HDMI DDC(EDID) Address\",\" \"\r\n"}));
}

TEST_F(ClassifierTest, UnacknowledgedAddressIsColouredAsAnAnomaly) {
    PacketScript script;
    script.start().addr(0x40, false).nack().data(1).stop();
    script.start().addr(0x41, false).ack().data(1).nack().stop();
    const Lines lines = Report(script);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(0, 14), "|@01AB456789|@");
    EXPECT_EQ(lines[2].substr(0, 14), kPlain);  // the colour goes back with the next address
}

// ---- HDCP dispatch ---------------------------------------------------------------------------
// The rows of reads after a repeated start and of the SCDC handlers are in the report tests' golden
// files; these are the cases that leave no register rows.

TEST_F(ClassifierTest, HdcpReadAfterStopAndStartReachesNoHandler) {
    PacketScript script;
    script.start().addr(0x3B, false).ack().data(0x10).ack().stop();
    script.start().addr(0x3B, true).ack().bytes({0x11, 0x22, 0x33, 0x44, 0x55}).stop();
    const Lines lines = Report(script);
    const Lines expected = {
        kHeader,
        kPlain + "20,\"3B(HDCP)\",\" \",\"HDCP Offset = 10h\",\" \"\r\n",
        kPlain + "100,\"3B(HDCP)\",\" \",\" \",\" \"\r\n",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(ClassifierTest, ProbeOfTheHdcpReadAddressRestsTheOffsetOnRiPrime) {
    testing::TestDecoder decoder;
    PacketScript().start().addr(0x3A, true).nack().stop().LoadInto(decoder);
    decoder.RunReport(context_);
    EXPECT_EQ(decoder.hdcpOffset, 0x08);  // set by the classifier; no byte came to use it
    // A refused address followed by stop is what a probe gives: not an anomaly.
    EXPECT_EQ(testing::Sink().lines.back(), kPlain + "20,\"3A(HDCP)\",\" \",\" \",\" \"\r\n");
}

// ---- Statistics ------------------------------------------------------------------------------

TEST_F(ClassifierTest, StatisticsListChangedBytesOfTheFirst128OffsetsBeforeTheMainPass) {
    context_.DecodeFlags |= kDecodeStatistics;
    PacketScript script;
    script.edidRead(0x05, {0x12});        // byte at 110
    script.edidRead(0x05, {0x13});        // byte at 250: changed
    script.edidRead(0x05, {0x13});        // unchanged: no rows
    script.edidRead(0x7F, {0xA0, 0xB0});  // bytes at 530 and 550 (offset 128: not kept)
    script.edidRead(0x7F, {0xA1, 0xB1});  // bytes at 690 and 710
    script.start().addr(0x40, false).ack().data(0x7F).ack().stop();  // not EDID: not counted
    const Lines lines = Report(script);
    ASSERT_GE(lines.size(), 7u);
    const std::string statistics = "|@01ABCDGHEF|@";
    const Lines expected = {
        kHeader,
        statistics + "110,\" \",\"Offset 5\",\"Data Duplicate\",\"Old Value 18\"\r\n",
        statistics + "250,\" \",\" \",\" \",\"New Value 19\"\r\n",
        statistics + "530,\" \",\"Offset 127\",\"Data Duplicate\",\"Old Value 160\"\r\n",
        statistics + "690,\" \",\" \",\" \",\"New Value 161\"\r\n",
        // The main pass follows, with the colours the statistics left except the address column.
        "|@0123CDGHEF|@20,\"50(EDID)\",\"Sequential Read\",\"Offset(05h)\",\" \"\r\n",
    };
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 6), expected);
}

TEST_F(ClassifierTest, StatisticsForgetTheOffsetAfterASegmentByte) {
    context_.DecodeFlags |= kDecodeStatistics;
    PacketScript script;
    script.segmentedRead(0, 0x00, {0x01, 0x01});  // offsets 0 and 1
    script.segmentedRead(0, 0x00, {0x02, 0x01});  // offset 0 changed
    // Block 1 read without an offset: its bytes are not tracked at all.
    script.start()
        .addr(0x30, false)
        .ack()
        .data(0x01)
        .ack()
        .restart()
        .addr(0x50, true)
        .ack()
        .bytes({0x07, 0x07})
        .stop();
    const Lines lines = Report(script);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(CellRows(lines)[0], (Cells{"", "Offset 0", "Data Duplicate", "Old Value 1"}));
    EXPECT_EQ(CellRows(lines)[1], (Cells{"", "", "", "New Value 2"}));
    EXPECT_FALSE(AnyCellHas(Lines(lines.begin() + 3, lines.end()), "Data Duplicate"));
}

// ---- Abort, progress, continuous mode ----------------------------------------------------------

PacketScript UnknownAddresses(int count) {
    PacketScript script;
    for (int k = 0; k < count; ++k) script.start().addr(0x40 + k, false).ack().stop();
    return script;
}

TEST_F(ClassifierTest, AbortEndsThePassButItsLastRowIsStillWritten) {
    testing::Sink().abortFlag = &abort_;
    testing::Sink().abortAfterLines = 3;  // header and two rows
    const Lines lines = Report(UnknownAddresses(5));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(testing::CellsOf(lines[3])[0], "42");
    EXPECT_LT(context_.Progress, 1000u);
}

TEST_F(ClassifierTest, ProgressRisesFrom750AndStaysBelow1000) {
    testing::Sink().context = &context_;
    const Lines lines = Report(UnknownAddresses(20));
    const std::vector<uint32_t>& progress = testing::Sink().progress;
    ASSERT_EQ(progress.size(), lines.size());
    EXPECT_EQ(progress[0], 0u);  // the header comes before the pass
    for (size_t k = 2; k < progress.size(); ++k) EXPECT_GE(progress[k], progress[k - 1]);
    EXPECT_GE(progress[1], 750u);
    EXPECT_GT(context_.Progress, 980u);
    EXPECT_LT(context_.Progress, 1000u);
}

TEST_F(ClassifierTest, ContinuousModeRunsPastTheStoredPacketsUntilAborted) {
    context_.ContinuousMode = 1;
    // The host raises the abort flag from its own thread, some time after the report began.
    std::thread stopper([this] {
        while (testing::LinesSeen() == 0) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        abort_ = 1;
    });
    const Lines lines = Report(UnknownAddresses(2));
    stopper.join();
    EXPECT_EQ(lines.size(), 3u);
    EXPECT_EQ(context_.Progress, 1000u);  // only reached past the end of the stored packets
}

TEST_F(ClassifierTest, ContinuousModeWithoutAnAbortFlagStopsAtTheLastPacket) {
    context_.ContinuousMode = 1;
    context_.AbortFlag = nullptr;
    EXPECT_EQ(Report(UnknownAddresses(2)).size(), 3u);
    EXPECT_LT(context_.Progress, 1000u);
}

// ---- Both outputs ----------------------------------------------------------------------------

PacketScript MixedSession() {
    PacketScript script;
    script.start()
        .addr(0x50, true)
        .ack()
        .bytes({0x22, 0x5C, 0x09, 0x80, 0xFF, 0x00, 0x01, 0x02, 0x03})
        .stop();
    script.start().addr(0x30, true).ack().bytes({0x01}).stop();
    script.start().addr(0x40, false).nack().stop();
    script.start().addr(0x3A, false).ack().data(0x10).ack().stop();
    return script;
}

TEST_F(ClassifierTest, SectionHoldsWhatTheSinkReceivesAndIsRemovedWithTheDecoder) {
    const Lines lines = Report(MixedSession());
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1],
              kPlain + "20,\"50(EDID)\",\"Current Addr Read\",\" \",\"22 5C 09 80 FF 00 01 02h\"\r\n");

    const std::string name = testing::SectionName("cls");
    context_.ReportLineSink = nullptr;
    testing::SetReportName(context_, name);
    {
        testing::TestDecoder decoder;
        MixedSession().LoadInto(decoder);
        decoder.RunReport(context_);
        const testing::SectionText section = testing::ReadSection(name.c_str());
        ASSERT_TRUE(section.present);
        EXPECT_TRUE(section.terminated);
        EXPECT_EQ(section.text, testing::Joined(lines));
        EXPECT_EQ(section.size, static_cast<uint64_t>(decoder.positions.Count() + 2) * 256);
    }
    EXPECT_FALSE(testing::ReadSection(name.c_str()).present);
}

TEST_F(ClassifierTest, NextReportReplacesTheSectionOfThePreviousOne) {
    context_.ReportLineSink = nullptr;
    const std::string first = testing::SectionName("one");
    const std::string second = testing::SectionName("two");
    MixedSession().LoadInto(decoder_);
    testing::SetReportName(context_, first);
    decoder_.RunReport(context_);
    ASSERT_TRUE(testing::ReadSection(first.c_str()).present);
    testing::SetReportName(context_, second);
    decoder_.RunReport(context_);
    EXPECT_FALSE(testing::ReadSection(first.c_str()).present);
    const testing::SectionText text = testing::ReadSection(second.c_str());
    ASSERT_TRUE(text.present);
    EXPECT_EQ(testing::SplitLines(text.text).size(), 6u);
}

}  // namespace
}  // namespace hdmi
