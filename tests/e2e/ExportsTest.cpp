// The exports as a host sees them: records, settings defaults, channel names, labels and colours.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

#include "BusSynth.h"
#include "Session.h"

namespace hdmi {
namespace {

using host::Session;

std::shared_ptr<host::Plugin> SharedPlugin() {
    static std::shared_ptr<host::Plugin> plugin = host::Plugin::Load();
    return plugin;
}

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override { session_ = std::make_unique<Session>(SharedPlugin()); }
    std::unique_ptr<Session> session_;
};

TEST_F(ExportsTest, PluginInfoIsFilledAndTheRestCleared) {
    PluginInfo info;
    std::memset(&info, 0xFF, sizeof info);
    ASSERT_EQ(SharedPlugin()->Exports().GetPluginInfo(&info), 1);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&info);
    EXPECT_EQ(info.recordSize, 176u);
    EXPECT_EQ(info.value512, 512u);
    EXPECT_EQ(info.flags, 0x400000DCu);
    EXPECT_EQ(info.value6, 6u);
    EXPECT_EQ(info.minusOne, -1);
    EXPECT_STREQ(info.name, "DDC(EDID)");
    for (int i = 36; i < 40; ++i) EXPECT_EQ(bytes[i], 0) << i;
    for (int i = 48; i < 176; ++i) EXPECT_EQ(bytes[i], 0) << i;
    // The layout block: six values, then the two channel role names.
    const auto* layout = static_cast<const int32_t*>(info.layoutBlock);
    EXPECT_EQ((std::array<int32_t, 6>{layout[0], layout[1], layout[2], layout[3], layout[4], layout[5]}),
              (std::array<int32_t, 6>{90, 150, 500, 500, 0, 0}));
    const auto* roles = reinterpret_cast<const char* const*>(layout + 6);
    EXPECT_STREQ(roles[0], "SCL");
    EXPECT_STREQ(roles[1], "SDA");
}

TEST_F(ExportsTest, QuickSetInitProcAndDrawIt) {
    const QuickSetInfo quick = session_->QuickSet();
    EXPECT_EQ(quick.value2, 2u);
    EXPECT_EQ(quick.value1600, 1600u);
    EXPECT_EQ(quick.value10M, 10000000u);
    EXPECT_EQ(session_->Init(), 1);
    EXPECT_EQ(session_->InitCalls(), (std::vector<host::InitCall>{{false, 0, 8, true},
                                                                  {false, 1, 4, true},
                                                                  {true, 0, 0, true},
                                                                  {true, 1, 0, true}}));
    EXPECT_EQ(session_->DrawIt(), 1);
    EXPECT_EQ(session_->DeleteNotify(), 1);
    EXPECT_EQ(SharedPlugin()->Exports().DrawIt, SharedPlugin()->Exports().DeleteNotify) << "one entry point";
}

TEST_F(ExportsTest, DefaultSettingsWriteTheRecordDefaults) {
    HostDecodeContext& c = session_->Context();
    c.ColorSlotsHigh = 0x00123456;
    c.ColorSlotsLow = 0xFFFFFFFF;
    c.SettingsState = 0xFFFE;
    c.DecodeFlags = 0xFFF;
    c.ChannelMap[0] = 7;
    c.ChannelMap[1] = 9;
    EXPECT_EQ(session_->Defaults(), 1);
    EXPECT_EQ(c.ChannelCount, 2);
    EXPECT_EQ(c.SettingsState, 1);
    EXPECT_EQ(c.ChannelMap[0], 0);
    EXPECT_EQ(c.ChannelMap[1], 1);
    EXPECT_EQ(c.ColorSlotsLow, 0x76543210u);
    EXPECT_EQ(c.ColorSlotsHigh, 0xF8123456u);
    EXPECT_EQ(c.DecodeFlags, 0u);
    EXPECT_EQ(c.DialogResult, 1u);
}

TEST_F(ExportsTest, ReportColumnsAreCutAtTheLastWholeTitle) {
    EXPECT_EQ(session_->ReportColumns(64), "clock,Address(h),Offset(h),EDID Register Name,EDID Data");
    EXPECT_EQ(session_->ReportColumns(30), "clock,Address(h),Offset(h)");
    EXPECT_EQ(session_->ReportColumns(56), "clock,Address(h),Offset(h),EDID Register Name,EDID Data");
    EXPECT_EQ(session_->ReportColumns(55), "clock,Address(h),Offset(h),EDID Register Name");
    EXPECT_EQ(session_->ReportColumns(6), "clock");
}

TEST_F(ExportsTest, ChannelNamesFollowTheHostsNaming) {
    session_->Defaults();
    session_->SetChannels(3, 40);
    HostDecodeContext& c = session_->Context();
    c.HostFlags = 0;
    EXPECT_EQ(session_->ChannelName(0), " CH 3 SCL");
    EXPECT_EQ(session_->ChannelName(1), " CH 40 SDA");
    c.HostFlags = kHostFlagDsoNames;
    EXPECT_EQ(session_->ChannelName(0), " DSO 4 SCL");
    c.HostFlags = kHostFlagBankNames | kHostFlagDsoNames;  // banks win over DSO
    EXPECT_EQ(session_->ChannelName(1), " B8 SDA");
    c.HostFlags = kHostFlagBankNames | kHostFlagBankFromB;
    EXPECT_EQ(session_->ChannelName(0), " B3 SCL");
    EXPECT_EQ(session_->ChannelName(1), " C8 SDA");
    EXPECT_EQ(session_->ChannelName(1, 5), " C8 ") << "cut to the buffer";
}

TEST_F(ExportsTest, LabelsAndColoursOfEveryKind) {
    session_->Defaults();
    session_->Context().HostFlags = kHostFlagLabels;
    struct Case {
        std::array<uint32_t, 4> item;
        const char* text;
        int slot;  // -1: unslotted index 15
        int32_t result;
    };
    const Case cases[] = {
        {{3, 0, 0, 0}, "S", 0, 1},          {{3, 1, 0, 0}, "Stop", 1, 1},
        {{3, 3, 0, 4}, "Address 10Bits", 4, 1}, {{3, 5, 0, 1}, "Rd", 6, 1},
        {{3, 6, 0, 0}, "A", 2, 1},          {{3, 6, 0, 1}, "NA", 2, 1},
        {{3, 7, 0, 0x3C}, "3C", 5, 1},      {{3, 8, 0, 0}, "Sr", 0, 1},
        {{3, 9, 0, 0}, "CBUS Data Bits", 4, 1}, {{3, 10, 0, 0}, "Idle", -1, 0},
        {{3, 12, 0, 0}, "Unknown", -1, 1},  {{1, 10, 0, 0}, "Idle", -1, 0},
    };
    // Give every slot its own colour so that a wrong slot shows.
    for (int slot = 0; slot < 10; ++slot) session_->SetColorSlot(slot, static_cast<uint32_t>(slot + 3));
    const uint32_t fills[16] = {0x3099FF, 0x99CCFF, 0x99FFFF, 0xCCFFCC, 0xFFFFCC, 0xFFCC99, 0xFF99CC, 0xFFFFFF,
                                0xFF00FF, 0x00CCFF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFFCC00, 0x3333E1, 0x000000};
    for (const Case& c : cases) {
        const host::PacketLabel label = session_->LabelItem(c.item);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(label.text, c.text);
        EXPECT_EQ(label.result, c.result);
        EXPECT_EQ(label.colorMode, 24u);
        const uint32_t index = c.slot < 0 ? 15 : static_cast<uint32_t>(c.slot + 3);
        EXPECT_EQ(label.fillColor, fills[index]);
        EXPECT_EQ(label.textColor, index >= 14 ? 0xFFFFFFu : 0u);
    }
}

TEST_F(ExportsTest, NoLabelsWithoutTheHostFlagOrForPartialItems) {
    session_->Defaults();
    HostDecodeContext& c = session_->Context();
    c.HostFlags = 0;
    c.LabelFillColor = 0x123456;
    host::PacketLabel label = session_->LabelItem({3, 7, 0, 0x12});
    EXPECT_EQ(label.result, 1);
    EXPECT_EQ(label.text, "");
    EXPECT_EQ(label.colorMode, 0u);
    EXPECT_EQ(c.LabelFillColor, 0x123456u) << "colours keep their old values";
    c.HostFlags = kHostFlagLabels;
    label = session_->LabelItem({1, 7, 0, 0x12});  // a one-word item that is not the closing entry
    EXPECT_EQ(label.text, "");
    EXPECT_EQ(label.colorMode, 24u);               // colour class 7 = its kind: the Data colour
    label = session_->LabelItem({3, 7, 0, 0x12}, 2);
    EXPECT_EQ(label.text, "1") << "cut to the host's buffer";
}

TEST_F(ExportsTest, SecondByteLabels) {
    session_->Defaults();
    HostDecodeContext& c = session_->Context();
    c.HostFlags = kHostFlagLabels;
    // The packet carries the class of its first byte; without bit 10 the general-call row names it.
    EXPECT_EQ(session_->LabelItem({3, 4, 0, 0}).text, "Reserved");
    EXPECT_EQ(session_->LabelItem({3, 4, 0, 1}).text, "Hardware general call: Addr = 0");
    EXPECT_EQ(session_->LabelItem({3, 4, 0x00, 0x06}).text,
              "Reset and write programmable part of slave address by hardware.");
    EXPECT_EQ(session_->LabelItem({3, 4, 0xF0, 0x1A}).text, "Address 01A");
    EXPECT_EQ(session_->LabelItem({3, 4, 0x01, 0}).text, "Start Byte");
    EXPECT_EQ(session_->LabelItem({3, 4, 0x77, 0}).text, "First Byte Format Error!");
    c.HostFlags = kHostFlagLabels | kHostFlagNumberFormat | kHostFlagGray;
    EXPECT_EQ(session_->LabelItem({3, 4, 0, 0x05}).text, "07");
    c.HostFlags = kHostFlagLabels | kHostFlagNumberFormat | kHostFlagGrayToBinary;
    EXPECT_EQ(session_->LabelItem({3, 4, 0, 0x07}).text, "05");
    c.HostFlags = kHostFlagLabels | kHostFlagNumberFormat;
    EXPECT_EQ(session_->LabelItem({3, 4, 0, 0x1FF}).text, "FF");
}

TEST_F(ExportsTest, SevenBitAddressLabel) {
    session_->Defaults();
    host::BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0).byte(0x00).stop();
    host::Capture capture = bus.Build();
    session_->SetCapture(capture);
    session_->SetReportOutput(host::ReportOutput::None);
    ASSERT_GT(session_->Analyze(), 0u);
    session_->Context().HostFlags = kHostFlagLabels;
    const auto packets = session_->Packets();
    ASSERT_GT(packets.size(), 3u);
    EXPECT_EQ(session_->Label(packets[2]).text, "Addr:50");
    EXPECT_EQ(session_->Label(packets[3]).text, "Wr");
}

}  // namespace
}  // namespace hdmi
