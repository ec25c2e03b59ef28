// The stand-in host against the built plug-in: loading, identification, and the session's
// callbacks, packet views, labels, report outputs and packet store working together.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "../support/Plugin.h"

namespace hdmi {
namespace {

using host::BusSynth;
using host::Packet;
using host::ReportOutput;
using host::Session;

class HostSmokeTest : public test::PluginTest {
  protected:
    static host::Capture OneByteWrite() {
        return BusSynth(1'000'000, 100'000).start().byte(0xA0).byte(0x00).stop().Build();
    }

    static host::Capture EdidRead() {
        BusSynth bus(1'000'000, 100'000);
        std::vector<uint8_t> block(16);
        for (size_t i = 0; i < block.size(); ++i) block[i] = uint8_t(i * 17);
        return host::ddc::EdidRead(bus, block).Build();
    }
};

TEST_F(HostSmokeTest, LoadingTheSamePathTwiceGivesTheSameModule) {
    EXPECT_EQ(host::Plugin::Load(HDMI_PLUGIN_DEFAULT_PATH).get(), &plugin());
    EXPECT_TRUE(std::filesystem::is_directory(plugin().TempFolder()));
    EXPECT_EQ(plugin().TempFolder().back(), '/');
}

TEST_F(HostSmokeTest, LoadErrorsNameTheCause) {
    std::string error;
    EXPECT_EQ(host::Plugin::TryLoad("/nonexistent/HDMI_EDID.so", error), nullptr);
    EXPECT_NE(error.find("/nonexistent/HDMI_EDID.so"), std::string::npos) << error;
    // A real library that is not a plug-in: the first missing export is named.
    error.clear();
#ifdef _WIN32
    const char* const notAPlugin = "kernel32.dll";
#else
    const char* const notAPlugin = "libm.so.6";
#endif
    EXPECT_EQ(host::Plugin::TryLoad(notAPlugin, error), nullptr);
    EXPECT_NE(error.find("lacks the export GetPluginInfo"), std::string::npos) << error;
    EXPECT_THROW(host::Plugin::Load("/nonexistent/HDMI_EDID.so"), host::PluginError);
}

TEST_F(HostSmokeTest, AnalysisOfAOneByteWriteGivesPacketsWithLabels) {
    const uint32_t entries = Analyze(OneByteWrite());
    ASSERT_GT(entries, 0u);
    EXPECT_EQ(entries % 3, 1u);
    const std::vector<Packet> packets = session().Packets();
    ASSERT_EQ(packets.size(), entries / 3 + 1);
    EXPECT_TRUE(packets.back().closing);
    EXPECT_EQ(packets.back().position, capture().SampleCount() - 1);
    EXPECT_GT(session().NextEdgeCalls(), 0);
    EXPECT_EQ(session().BeginDecodeCalls(), 1);
    EXPECT_EQ(session().Progress(), 1000u);

    int labelled = 0;
    for (const Packet& packet : packets) {
        const host::PacketLabel label = session().Label(packet);
        EXPECT_FALSE(label.overrun);
        if (!label.text.empty()) {
            ++labelled;
            EXPECT_EQ(label.colorMode, 24u);
        }
    }
    EXPECT_GE(labelled, 7);  // Start, address, R/W, two acks, data, stop at least
    // The closing entry is an idle item: DataConv answers 0.
    EXPECT_EQ(session().Label(packets.back()).result, 0);
}

TEST_F(HostSmokeTest, ReportArrivesTheSameThroughTheSinkAndTheSection) {
    ASSERT_GT(Analyze(EdidRead()), 0u);
    const host::ReportText viaSink = session().LastReport();
    ASSERT_TRUE(viaSink.present);
    EXPECT_TRUE(viaSink.wellFormed);
    EXPECT_TRUE(viaSink.ended);
    EXPECT_EQ(viaSink.endCalls, 1);
    EXPECT_FALSE(viaSink.lineAfterEnd);
    ASSERT_TRUE(viaSink.Header().has_value());
    EXPECT_EQ(viaSink.Header()->pairs.size(), 8u);
    EXPECT_EQ(viaSink.Header()->columns,
              (std::vector<std::string>{"Address(h)", "Offset(h)", "EDID Register Name", "EDID Data"}));
    EXPECT_FALSE(viaSink.Rows().empty());
    EXPECT_TRUE(viaSink.MalformedRows().empty());

    session().SetReportOutput(ReportOutput::Section);
    ASSERT_GT(session().Analyze(), 0u);
    const host::ReportText& viaSection = session().LastReport();
    ASSERT_TRUE(viaSection.present);
    EXPECT_TRUE(viaSection.wellFormed);
    EXPECT_EQ(viaSection.lines, viaSink.lines);
}

TEST_F(HostSmokeTest, NoReportOutputMeansNoReport) {
    session().SetReportOutput(ReportOutput::None);
    ASSERT_GT(Analyze(EdidRead()), 0u);
    EXPECT_FALSE(session().LastReport().present);
    EXPECT_EQ(session().Context().ReportName[0], '\0');
}

TEST_F(HostSmokeTest, SectionNamesAreFreshForEveryReport) {
    session().SetReportOutput(ReportOutput::Section);
    ASSERT_GT(Analyze(OneByteWrite()), 0u);
    const std::string first = session().ReportName();
    ASSERT_GT(session().Analyze(), 0u);
    EXPECT_NE(session().ReportName(), first);
    EXPECT_TRUE(std::regex_match(session().ReportName(), std::regex("hdmiddc_[0-9]+_[0-9]+")));
    EXPECT_LT(session().ReportName().size(), sizeof(HostDecodeContext::ReportName));
}

// The abort flag raised at every point where the plug-in polls it: each edge of the decode and
// each line of the report. Every call returns, shows only packets and lines that the whole
// decode made, ends its streams properly, and the next call is whole again.
TEST_F(HostSmokeTest, AbortRaisedAtEveryPollPointCutsCleanly) {
    BusSynth bus(1'000'000, 100'000);
    std::vector<uint8_t> block(16);
    for (size_t i = 0; i < block.size(); ++i) block[i] = uint8_t(i * 17);
    host::ddc::EdidRead(bus, block);
    bus.idle(50'000);
    const uint8_t bksv[] = {0x51, 0x1E, 0xF2, 0x1A, 0xCD};
    host::ddc::HdcpRead(bus, 0, 0x00, bksv);
    const uint32_t whole = Analyze(bus.Take());
    ASSERT_GT(whole, 0u);
    const std::vector<Packet> wholePackets = session().Packets();
    const std::vector<std::string> wholeLines = session().LastReport().lines;
    const int64_t edges = session().NextEdgeCalls();
    ASSERT_GT(edges, 100);

    auto expectWholeAgain = [&] {
        session().AbortAfterEdges(-1);
        session().AbortAfterReportLines(-1);
        session().ClearAbort();
        ASSERT_EQ(session().Analyze(), whole);
        ASSERT_EQ(session().LastReport().lines, wholeLines);
    };
    for (int64_t k = 1; k <= edges; ++k) {
        SCOPED_TRACE("abort at edge " + std::to_string(k) + " of " + std::to_string(edges));
        session().AbortAfterEdges(k);
        const uint32_t cut = session().Analyze();
        ASSERT_TRUE(session().AbortRequested());
        EXPECT_EQ(session().Progress(), 1000u);
        if (cut > 0) {
            EXPECT_LE(cut, whole);
            const std::vector<Packet> packets = session().Packets();
            ASSERT_TRUE(packets.back().closing);
            // Every packet before the closing entry is one the whole decode made, in order.
            ASSERT_LE(packets.size(), wholePackets.size());
            for (size_t i = 0; i + 1 < packets.size(); ++i) ASSERT_EQ(packets[i], wholePackets[i]) << i;
        }
        // The report pass sees the raised flag too: at most the header.
        EXPECT_TRUE(session().LastReport().wellFormed);
        EXPECT_LE(session().LastReport().endCalls, 1);
        expectWholeAgain();
    }
    for (size_t k = 1; k <= wholeLines.size(); ++k) {
        SCOPED_TRACE("abort after report line " + std::to_string(k) + " of " + std::to_string(wholeLines.size()));
        session().AbortAfterReportLines(int64_t(k));
        ASSERT_EQ(session().Analyze(), whole);  // the packets were all made before the report
        const host::ReportText& report = session().LastReport();
        EXPECT_TRUE(report.wellFormed);
        EXPECT_EQ(report.endCalls, 1);
        ASSERT_LE(report.lines.size(), wholeLines.size());
        ASSERT_GE(report.lines.size(), k);
        // Lines already written stand; the row that was being built when the flag went up is
        // written as far as it got, as a well-formed row.
        for (size_t i = 0; i + 1 < report.lines.size(); ++i) ASSERT_EQ(report.lines[i], wholeLines[i]) << i;
        if (report.lines.size() > 1) {
            EXPECT_TRUE(host::ParseReportRow(report.lines.back())) << report.lines.back();
        }
        expectWholeAgain();
    }
}

}  // namespace
}  // namespace hdmi
