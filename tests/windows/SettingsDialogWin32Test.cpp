// The settings dialog as a real Win32 dialog of HDMI_EDID.dll, opened through ConfigDialog and
// driven by window messages; the record the host keeps is checked after every way out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "../support/Plugin.h"
#include "DialogWindow.h"
#include "platform/UiDialog.h"
#include "plugin/Colors.h"
#include "ui/ResourceIds.h"
#include "ui/SectionIcons.h"

namespace hdmi::test {
namespace {

using namespace ui;
using platform::kIdCancel;
using platform::kIdOk;

uint32_t SlotColour(const HostDecodeContext& c, int slot) {
    return (c.ColorSlotsLow >> (4 * slot)) & 0xF;
}

class SettingsDialogWin32 : public PluginTest {
  protected:
    // A record the host stored earlier: SCL on 3, SDA on 5, 7-bit, From Cursor A to Cursor E,
    // statistics on, slot k coloured 15 - k.
    void StoreSettings() {
        HostDecodeContext& c = session().Context();
        c.HostChannelCount = 16;
        c.SettingsState = 1;
        c.ChannelCount = 2;
        c.ChannelMap[0] = 3;
        c.ChannelMap[1] = 5;
        c.DecodeFlags = 0x62 | 0x800;
        c.ColorSlotsLow = 0;
        for (int slot = 0; slot < 8; ++slot) c.ColorSlotsLow |= uint32_t(15 - slot) << (4 * slot);
        c.DialogResult = 0;
    }
};

TEST_F(SettingsDialogWin32, OpensWithTheStoredSettings) {
    StoreSettings();
    OpenDialog dialog(session());
    ASSERT_NE(dialog.Window(), nullptr) << "no dialog window appeared";
    EXPECT_EQ(dialog.Text(kIdSclLabel), "CH 3");
    EXPECT_EQ(dialog.Text(kIdSdaLabel), "CH 5");
    EXPECT_EQ(dialog.SpinPosition(kIdSclSpin), 3);
    EXPECT_EQ(dialog.SpinPosition(kIdSdaSpin), 5);
    EXPECT_TRUE(dialog.Checked(kIdSevenBit));
    EXPECT_FALSE(dialog.Checked(kIdEightBit));
    EXPECT_FALSE(dialog.Checked(kIdIgnoreGlitch));
    EXPECT_TRUE(dialog.Checked(kIdStatistics));
    EXPECT_EQ(dialog.Selection(kIdRangeFrom), 2);
    EXPECT_EQ(dialog.Selection(kIdRangeTo), 6);
    EXPECT_EQ(dialog.Selection(kIdStartColor), 15);
    EXPECT_EQ(dialog.Selection(kIdReadWriteColor), 9);  // slot 6
    EXPECT_EQ(::SendMessageW(dialog.Control(kIdStartColor), CB_GETCOUNT, 0, 0), 16);
    EXPECT_EQ(::SendMessageW(dialog.Control(kIdRangeFrom), CB_GETCOUNT, 0, 0), 7);
    dialog.CloseBox();
    ASSERT_TRUE(dialog.WaitClosed());
}

TEST_F(SettingsDialogWin32, OkStoresTheChangedSpinnerCheckBoxAndColour) {
    StoreSettings();
    OpenDialog dialog(session());
    ASSERT_NE(dialog.Window(), nullptr);

    dialog.ClickSpin(kIdSclSpin, true);
    EXPECT_EQ(dialog.Text(kIdSclLabel), "CH 4") << "the label follows the spinner";
    EXPECT_EQ(dialog.SpinPosition(kIdSclSpin), 4);
    dialog.Click(kIdIgnoreGlitch);
    EXPECT_TRUE(dialog.Checked(kIdIgnoreGlitch));
    dialog.KeyDown(kIdDataColor);  // slot 5: 10 -> 11
    EXPECT_EQ(dialog.Selection(kIdDataColor), 11);
    dialog.Click(kIdOk);
    ASSERT_TRUE(dialog.WaitClosed());

    const HostDecodeContext& c = session().Context();
    EXPECT_EQ(c.DialogResult, 1u);
    EXPECT_EQ(c.ChannelMap[0], 4);
    EXPECT_EQ(c.ChannelMap[1], 5);
    EXPECT_EQ(c.DecodeFlags, 0x62u | 0x200u | 0x800u);
    EXPECT_EQ(SlotColour(c, 5), 11u);
    EXPECT_EQ(SlotColour(c, 0), 15u);
    EXPECT_EQ(SlotColour(c, 7), 8u) << "slot 7 has no picker and keeps its colour";
    EXPECT_EQ(c.SettingsState & 1, 1);
}

TEST_F(SettingsDialogWin32, SpinnerStopsAtTheLastHostChannel) {
    StoreSettings();
    session().Context().ChannelMap[1] = 15;
    OpenDialog dialog(session());
    ASSERT_NE(dialog.Window(), nullptr);
    dialog.ClickSpin(kIdSdaSpin, true);
    EXPECT_EQ(dialog.Text(kIdSdaLabel), "CH 15");
    dialog.ClickSpin(kIdSdaSpin, false);
    EXPECT_EQ(dialog.Text(kIdSdaLabel), "CH 14");
    dialog.Click(kIdOk);
    ASSERT_TRUE(dialog.WaitClosed());
    EXPECT_EQ(session().Context().ChannelMap[1], 14);
}

TEST_F(SettingsDialogWin32, CancelAndTheCloseBoxChangeOnlyTheDialogResult) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        StoreSettings();
        const HostDecodeContext before = session().Context();
        OpenDialog dialog(session());
        ASSERT_NE(dialog.Window(), nullptr);
        dialog.ClickSpin(kIdSclSpin, true);
        dialog.Click(kIdIgnoreGlitch);
        dialog.KeyDown(kIdStartColor);
        if (closeBox)
            dialog.CloseBox();
        else
            dialog.Click(kIdCancel);
        ASSERT_TRUE(dialog.WaitClosed());

        HostDecodeContext after = session().Context();
        EXPECT_EQ(after.DialogResult, 2u);
        after.DialogResult = before.DialogResult;
        EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0) << "a field other than DialogResult changed";
    }
}

TEST_F(SettingsDialogWin32, DefaultThenOkStoresTheDialogDefaults) {
    StoreSettings();
    session().Context().DecodeFlags |= 0x200;
    OpenDialog dialog(session());
    ASSERT_NE(dialog.Window(), nullptr);
    dialog.Click(kIdDefault);
    EXPECT_EQ(dialog.Text(kIdSclLabel), "CH 0");
    EXPECT_EQ(dialog.Text(kIdSdaLabel), "CH 1");
    EXPECT_TRUE(dialog.Checked(kIdEightBit));
    EXPECT_FALSE(dialog.Checked(kIdSevenBit));
    EXPECT_FALSE(dialog.Checked(kIdIgnoreGlitch));
    EXPECT_FALSE(dialog.Checked(kIdStatistics));
    EXPECT_EQ(dialog.Selection(kIdRangeFrom), 0);
    EXPECT_EQ(session().Context().DecodeFlags, 0x62u | 0x200u | 0x800u) << "nothing is stored before OK";
    dialog.Click(kIdOk);
    ASSERT_TRUE(dialog.WaitClosed());

    const HostDecodeContext& c = session().Context();
    EXPECT_EQ(c.DialogResult, 1u);
    EXPECT_EQ(c.DecodeFlags, 0x400u);
    EXPECT_EQ(c.ChannelMap[0], 0);
    EXPECT_EQ(c.ChannelMap[1], 1);
    // start, stop, ACK, NACK, address, data, read/write = 0, 1, 5, 6, 2, 3, 4
    const uint32_t expected[7] = {0, 1, 5, 6, 2, 3, 4};
    for (int slot = 0; slot < 7; ++slot) EXPECT_EQ(SlotColour(c, slot), expected[slot]) << "slot " << slot;
}

TEST_F(SettingsDialogWin32, NewRecordOpensWithTheDialogDefaults) {
    HostDecodeContext& c = session().Context();
    c.SettingsState = 0;
    c.DecodeFlags = 0x62;
    c.ChannelMap[0] = 7;
    OpenDialog dialog(session());
    ASSERT_NE(dialog.Window(), nullptr);
    EXPECT_EQ(dialog.Text(kIdSclLabel), "CH 0");
    EXPECT_TRUE(dialog.Checked(kIdEightBit));
    dialog.Click(kIdOk);
    ASSERT_TRUE(dialog.WaitClosed());
    EXPECT_EQ(c.DecodeFlags, 0x400u);
    EXPECT_EQ(c.SettingsState & 1, 1);
}

// The picture of the open dialog goes to the test output for people to look at; what the plug-in
// paints itself (swatches, icons, rules) is checked in it.
TEST_F(SettingsDialogWin32, ScreenshotShowsSwatchesIconsAndRules) {
    StoreSettings();
    OpenDialog dialog(session());
    ASSERT_NE(dialog.Window(), nullptr);
    const Picture shot = dialog.Snapshot();
    RECT window;
    ::GetWindowRect(dialog.Window(), &window);

    const char* folder = std::getenv("HDMI_TEST_OUTPUT");
    const std::string path = std::string(folder != nullptr ? folder : ".") + "/settings-dialog.png";
    EXPECT_TRUE(WritePng(shot, path)) << path;

    // The closed picker shows its selected colour as a swatch: the middle of the start picker's
    // field is LabelFillColors[15] (black), the data picker's LabelFillColors[10].
    auto middleOf = [&](int id) {
        const RECT r = dialog.ScreenRect(id);
        const int height = int(::SendMessageW(dialog.Control(id), CB_GETITEMHEIGHT, WPARAM(-1), 0));
        return shot.At((r.left + r.right) / 2 - 10 - window.left, r.top + height / 2 + 3 - window.top);
    };
    EXPECT_EQ(middleOf(kIdStartColor), kLabelFillColors[15]);
    EXPECT_EQ(middleOf(kIdDataColor), kLabelFillColors[10]);

    // The icon of the colour section: where its mask is black the picture shows the icon's pixel.
    const platform::BitmapView icons = SectionIconsBitmap();
    const RECT place = dialog.ScreenRect(kIdColorIcon);
    int compared = 0;
    int equal = 0;
    for (int y = 0; y < kSectionIconSize; ++y) {
        for (int x = 0; x < kSectionIconSize; ++x) {
            if (icons.Pixel(kSectionIconSize + x, kSectionIconSize + y) != 0) continue;  // see-through
            ++compared;
            equal += shot.At(place.left - window.left + x, place.top - window.top + y) ==
                     icons.Pixel(kSectionIconSize + x, y);
        }
    }
    EXPECT_GT(compared, 50);
    EXPECT_EQ(equal, compared);

    // The etched rule after "Range": grey above white, halfway up the title.
    const RECT title = dialog.ScreenRect(kIdRangeTitle);
    const int y = (title.top + title.bottom) / 2 - window.top;
    const int x = title.right + 20 - window.left;
    EXPECT_EQ(shot.At(x, y), 0x808080u);
    EXPECT_EQ(shot.At(x, y + 1), 0xFFFFFFu);

    dialog.CloseBox();
    ASSERT_TRUE(dialog.WaitClosed());
}

}  // namespace
}  // namespace hdmi::test
