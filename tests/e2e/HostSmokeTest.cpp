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

TEST_F(HostSmokeTest, AbortRaisedDuringTheDecodeCutsItShort) {
    const uint32_t whole = Analyze(EdidRead());
    ASSERT_GT(whole, 0u);
    session().AbortAfterEdges(40);
    const uint32_t cut = session().Analyze();
    EXPECT_TRUE(session().AbortRequested());
    ASSERT_GT(cut, 0u);
    EXPECT_LT(cut, whole);
    EXPECT_TRUE(session().Packets().back().closing);
    EXPECT_EQ(session().Progress(), 1000u);
    // The flag stays up until the host clears it.
    session().AbortAfterEdges(-1);
    session().ClearAbort();
    EXPECT_EQ(session().Analyze(), whole);
}

}  // namespace
}  // namespace hdmi
