// The settings dialog driven by control id: what it loads, what OK stores, what Cancel and the
// close box leave alone, the live channel labels, the record defaults and what it paints.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/UiHeadless.h"
#include "plugin/Colors.h"
#include "ui/DialogResources.h"
#include "ui/HdmiEdidDlg.h"
#include "ui/ResourceIds.h"
#include "ui/SectionIcons.h"
#include "ui/SettingsDialog.h"

namespace hdmi::ui {
namespace {

using platform::DrawOp;
using platform::HeadlessPresentation;

bool SameRecord(const HostDecodeContext& a, const HostDecodeContext& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::memset(&record_, 0, sizeof record_);
        record_.HostChannelCount = 16;
        record_.ChannelCount = 2;
    }

    // A record holding saved settings that differ from every default.
    void Saved(uint32_t decodeFlags) {
        record_.SettingsState = 0x0001;
        record_.ChannelMap[0] = 5;
        record_.ChannelMap[1] = 9;
        record_.DecodeFlags = decodeFlags;
        record_.ColorSlotsLow = 0xA8EDCB9F;  // slot 0 = F, 1 = 9, 2 = B, 3 = C, 4 = D, 5 = E, 6 = 8, 7 = A
        record_.ColorSlotsHigh = 0x5A123456;
    }

    HostDecodeContext record_;
};

// ---- Loading ---------------------------------------------------------------------------------

TEST_F(DialogTest, SavedSettingsAreShown) {
    Saved(0x0E53);  // from 3, to 5, glitch, 8-bit, statistics
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    ASSERT_TRUE(ui.IsOpen());

    EXPECT_EQ(ui.Selection(kIdStartColor), 0xF);
    EXPECT_EQ(ui.Selection(kIdStopColor), 0x9);
    EXPECT_EQ(ui.Selection(kIdAckColor), 0xB);
    EXPECT_EQ(ui.Selection(kIdNackColor), 0xC);
    EXPECT_EQ(ui.Selection(kIdAddressColor), 0xD);
    EXPECT_EQ(ui.Selection(kIdDataColor), 0xE);
    EXPECT_EQ(ui.Selection(kIdReadWriteColor), 0x8);
    EXPECT_EQ(ui.Selection(kIdRangeFrom), 3);
    EXPECT_EQ(ui.Selection(kIdRangeTo), 5);
    EXPECT_TRUE(ui.IsChecked(kIdIgnoreGlitch));
    EXPECT_TRUE(ui.IsChecked(kIdStatistics));
    EXPECT_TRUE(ui.IsChecked(kIdEightBit));
    EXPECT_FALSE(ui.IsChecked(kIdSevenBit));
    EXPECT_EQ(ui.SpinPosition(kIdSclSpin), 5);
    EXPECT_EQ(ui.SpinPosition(kIdSdaSpin), 9);
    EXPECT_EQ(ui.Text(kIdSclLabel), "CH 5");
    EXPECT_EQ(ui.Text(kIdSdaLabel), "CH 9");
    for (int id : {kIdStartColor, kIdStopColor, kIdAckColor, kIdNackColor, kIdAddressColor, kIdDataColor,
                   kIdReadWriteColor})
        EXPECT_EQ(ui.ItemCount(id), 16) << id;
    EXPECT_EQ(ui.ItemCount(kIdRangeFrom), 7);
    EXPECT_EQ(ui.ItemCount(kIdRangeTo), 7);
}

TEST_F(DialogTest, SevenBitAndClearedOptionsAreShown) {
    Saved(0x0000);
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    EXPECT_TRUE(ui.IsChecked(kIdSevenBit));
    EXPECT_FALSE(ui.IsChecked(kIdEightBit));
    EXPECT_FALSE(ui.IsChecked(kIdIgnoreGlitch));
    EXPECT_FALSE(ui.IsChecked(kIdStatistics));
}

TEST_F(DialogTest, UnsavedSettingsOpenWithTheDialogDefaults) {
    Saved(0x0A53);  // glitch and statistics on, 7-bit, from 3, to 5: all must be ignored
    record_.SettingsState = 0x0006;
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);

    EXPECT_EQ(ui.Selection(kIdStartColor), 0);
    EXPECT_EQ(ui.Selection(kIdStopColor), 1);
    EXPECT_EQ(ui.Selection(kIdAddressColor), 2);
    EXPECT_EQ(ui.Selection(kIdDataColor), 3);
    EXPECT_EQ(ui.Selection(kIdReadWriteColor), 4);
    EXPECT_EQ(ui.Selection(kIdAckColor), 5);
    EXPECT_EQ(ui.Selection(kIdNackColor), 6);
    EXPECT_EQ(ui.Selection(kIdRangeFrom), 0);
    EXPECT_EQ(ui.Selection(kIdRangeTo), 0);
    EXPECT_FALSE(ui.IsChecked(kIdIgnoreGlitch));
    EXPECT_FALSE(ui.IsChecked(kIdStatistics));
    EXPECT_TRUE(ui.IsChecked(kIdEightBit));
    EXPECT_FALSE(ui.IsChecked(kIdSevenBit));
    EXPECT_EQ(ui.Text(kIdSclLabel), "CH 0");
    EXPECT_EQ(ui.Text(kIdSdaLabel), "CH 1");
}

TEST_F(DialogTest, OkRightAwayOnUnsavedSettingsStoresTheDialogDefaults) {
    Saved(0x0A53);
    record_.SettingsState = 0x0006;
    record_.ChannelCount = 7;
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    ui.Click(platform::kIdOk);

    EXPECT_FALSE(ui.IsOpen());
    EXPECT_EQ(ui.Result(), platform::kIdOk);
    EXPECT_EQ(record_.DecodeFlags, 0x400u);
    // Slots 0..6: start 0, stop 1, ACK 5, NACK 6, address 2, data 3, read/write 4; slot 7 kept.
    EXPECT_EQ(record_.ColorSlotsLow, 0xA4326510u);
    EXPECT_EQ(record_.ColorSlotsHigh, 0x5A123456u);
    EXPECT_EQ(record_.ChannelMap[0], 0);
    EXPECT_EQ(record_.ChannelMap[1], 1);
    EXPECT_EQ(record_.ChannelCount, 2);
    EXPECT_EQ(record_.SettingsState, 0x0007);
    EXPECT_EQ(record_.DialogResult, 1u);
}

TEST_F(DialogTest, StoredChannelUsesTheLowSixteenBits) {
    Saved(0);
    record_.ChannelMap[0] = 0x00010003;
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    EXPECT_EQ(ui.SpinPosition(kIdSclSpin), 3);
    EXPECT_EQ(ui.Text(kIdSclLabel), "CH 3");
}

TEST_F(DialogTest, NothingIsWrittenBeforeOk) {
    Saved(0x0E53);
    const HostDecodeContext before = record_;
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    ui.Click(kIdDefault);
    ui.StepSpin(kIdSclSpin, +1);
    ui.Choose(kIdRangeFrom, 6);
    ui.Click(kIdIgnoreGlitch);
    ui.Paint();
    EXPECT_TRUE(ui.IsOpen());
    EXPECT_TRUE(SameRecord(record_, before));
}

// ---- OK --------------------------------------------------------------------------------------

TEST_F(DialogTest, OkStoresEveryEditedField) {
    Saved(0x0000);
    record_.SettingsState = 0x8001;
    record_.ChannelMap[2] = 77;
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    ui.StepSpin(kIdSclSpin, +1);
    ui.StepSpin(kIdSclSpin, +1);
    ui.StepSpin(kIdSdaSpin, -1);
    ui.Choose(kIdStartColor, 14);
    ui.Choose(kIdNackColor, 1);
    ui.Choose(kIdReadWriteColor, 0);
    ui.Click(kIdIgnoreGlitch);
    ui.Click(kIdStatistics);
    ui.Click(kIdEightBit);
    ui.Choose(kIdRangeFrom, 4);
    ui.Choose(kIdRangeTo, 1);
    ui.Click(platform::kIdOk);

    EXPECT_EQ(record_.ChannelMap[0], 7);
    EXPECT_EQ(record_.ChannelMap[1], 8);
    EXPECT_EQ(record_.ChannelMap[2], 77);  // beyond the two plug-in channels
    EXPECT_EQ(record_.ColorSlotsLow, 0xA0ED1B9Eu);
    EXPECT_EQ(record_.ColorSlotsHigh, 0x5A123456u);
    EXPECT_EQ(record_.DecodeFlags, 0x0200u | 0x0400u | 0x0800u | 0x14u);
    EXPECT_EQ(record_.SettingsState, 0x8001);
    EXPECT_EQ(record_.DialogResult, 1u);
}

TEST_F(DialogTest, RangeIndexOutsideTheListIsNotStored) {
    Saved(0x029F);  // "From" 15 and "to" 9 name no entry
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    EXPECT_EQ(ui.Selection(kIdRangeFrom), -1);
    EXPECT_EQ(ui.Selection(kIdRangeTo), -1);
    ui.Click(platform::kIdOk);
    EXPECT_EQ(record_.DecodeFlags, 0x200u);
}

// ---- Cancel and the close box ----------------------------------------------------------------

// Cancel, and the close box whose command the frame may give with the low four bits set.
TEST_F(DialogTest, CancelAndTheCloseBoxChangeOnlyTheDialogResult) {
    for (uint32_t command : {0u, 0xF060u, 0xF062u}) {
        Saved(0x0E53);
        record_.DialogResult = 1;
        HostDecodeContext expected = record_;
        expected.DialogResult = 2;
        HDMI_EDID_DLG dialog(&record_);
        HeadlessPresentation ui(dialog);
        ui.StepSpin(kIdSclSpin, +1);
        ui.Click(kIdSevenBit);
        ui.Choose(kIdDataColor, 1);
        ui.Click(kIdDefault);
        if (command == 0)
            ui.Click(platform::kIdCancel);
        else
            ui.SysCommand(command);
        EXPECT_FALSE(ui.IsOpen()) << command;
        EXPECT_EQ(ui.Result(), platform::kIdCancel);
        EXPECT_TRUE(SameRecord(record_, expected)) << command;
    }
}

TEST_F(DialogTest, OtherSystemCommandsKeepTheDialogOpen) {
    Saved(0);
    const HostDecodeContext before = record_;
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    ui.SysCommand(platform::kSysCommandMove);
    EXPECT_TRUE(ui.IsOpen());
    EXPECT_TRUE(SameRecord(record_, before));
}

// ---- Channel labels --------------------------------------------------------------------------

// DSO names count from one; bank names take precedence and may start at B.
TEST_F(DialogTest, ChannelLabelsFollowTheHostsNaming) {
    struct Case {
        uint32_t flags;
        const char* scl;
        const char* sda;
    };
    for (const Case c : {Case{kHostFlagDsoNames, "DSO 41", "DSO 10"}, Case{kHostFlagBankNames, "B8", "A9"},
                         Case{kHostFlagBankNames | kHostFlagBankFromB, "C8", "B9"},
                         Case{kHostFlagBankNames | kHostFlagDsoNames, "B8", "A9"},
                         Case{kHostFlagBankFromB, "CH 40", "CH 9"}}) {
        Saved(0);
        record_.HostChannelCount = 64;
        record_.ChannelMap[0] = 40;
        record_.HostFlags = c.flags;
        HDMI_EDID_DLG dialog(&record_);
        HeadlessPresentation ui(dialog);
        EXPECT_EQ(ui.Text(kIdSclLabel), c.scl) << c.flags;
        EXPECT_EQ(ui.Text(kIdSdaLabel), c.sda) << c.flags;
    }
}

TEST_F(DialogTest, SteppingRenamesOnlyItsOwnLabel) {
    Saved(0);
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    EXPECT_EQ(ui.StepSpin(kIdSclSpin, +1), 0);
    EXPECT_EQ(ui.Text(kIdSclLabel), "CH 6");
    EXPECT_EQ(ui.Text(kIdSdaLabel), "CH 9");
    EXPECT_EQ(ui.StepSpin(kIdSdaSpin, -1), 0);
    EXPECT_EQ(ui.Text(kIdSclLabel), "CH 6");
    EXPECT_EQ(ui.Text(kIdSdaLabel), "CH 8");
}

TEST_F(DialogTest, SteppingPastEitherEndKeepsTheLabel) {
    Saved(0);
    record_.ChannelMap[0] = 15;  // the last of 16 channels
    record_.ChannelMap[1] = 0;
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    EXPECT_EQ(ui.StepSpin(kIdSclSpin, +1), 0);
    EXPECT_EQ(ui.SpinPosition(kIdSclSpin), 15);
    EXPECT_EQ(ui.Text(kIdSclLabel), "CH 15");
    EXPECT_EQ(ui.StepSpin(kIdSdaSpin, -1), 0);
    EXPECT_EQ(ui.SpinPosition(kIdSdaSpin), 0);
    EXPECT_EQ(ui.Text(kIdSdaLabel), "CH 0");
    ui.Click(platform::kIdOk);
    EXPECT_EQ(record_.ChannelMap[0], 15);
    EXPECT_EQ(record_.ChannelMap[1], 0);
}

// ---- Record defaults -------------------------------------------------------------------------

TEST_F(DialogTest, RecordDefaultsKeepTheLowBitsOfTheHighColourWord) {
    std::memset(&record_, 0x5C, sizeof record_);
    record_.ColorSlotsHigh = 0x00123456;
    HostDecodeContext expected = record_;
    expected.ChannelCount = 2;
    expected.SettingsState = 1;
    expected.ChannelMap[0] = 0;
    expected.ChannelMap[1] = 1;
    expected.ColorSlotsLow = 0x76543210;
    expected.ColorSlotsHigh = 0xF8123456;
    expected.DecodeFlags = 0;
    expected.DialogResult = 1;
    ApplyRecordDefaults(record_);
    EXPECT_TRUE(SameRecord(record_, expected));
    EXPECT_EQ(record_.ColorSlotsHigh, 0xF8123456u);
}

TEST_F(DialogTest, RecordDefaultsDifferFromTheDialogDefaults) {
    ApplyRecordDefaults(record_);
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    EXPECT_TRUE(ui.IsChecked(kIdSevenBit));
    EXPECT_EQ(ui.Selection(kIdAddressColor), 4);
    EXPECT_EQ(ui.Selection(kIdReadWriteColor), 6);
    EXPECT_EQ(ui.Selection(kIdAckColor), 2);
}

// ---- Painting --------------------------------------------------------------------------------

TEST_F(DialogTest, PaintBlitsEachIconMaskedAtItsPlaceholder) {
    Saved(0);
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    const platform::Surface& surface = ui.Paint();
    const platform::BitmapView icons = SectionIconsBitmap();
    const platform::ColorRef face = platform::GetSysColor(platform::SysColor::ButtonFace);

    std::vector<DrawOp> blits;
    for (const DrawOp& op : surface.Ops())
        if (op.kind == DrawOp::Kind::Blit) blits.push_back(op);
    ASSERT_EQ(blits.size(), 9u);
    const int placeholders[] = {kIdParameterIcon, kIdColorIcon, kIdRangeIcon};
    for (int k = 0; k < 3; ++k) {
        const platform::Rect at = ui.Control(placeholders[k])->rect;
        const platform::RasterOp rops[] = {platform::RasterOp::Invert, platform::RasterOp::And,
                                           platform::RasterOp::Invert};
        const int sourceY[] = {0, 32, 0};
        for (int step = 0; step < 3; ++step) {
            const DrawOp& op = blits[static_cast<size_t>(3 * k + step)];
            EXPECT_EQ(op.rect, (platform::Rect{at.left, at.top, at.left + 32, at.top + 32})) << k;
            EXPECT_EQ(op.rop, rops[step]) << k << step;
            EXPECT_EQ(op.source, (platform::Point{32 * k, sourceY[step]})) << k << step;
        }
        // Opaque icon pixels replace the face colour; elsewhere the face shows through.
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const bool opaque = icons.Pixel(32 * k + x, 32 + y) == 0;
                const platform::ColorRef want = opaque ? icons.Pixel(32 * k + x, y) : face;
                ASSERT_EQ(surface.Pixel(at.left + x, at.top + y), want) << k << " " << x << "," << y;
            }
        }
    }
}

TEST_F(DialogTest, PaintEtchesARuleAfterEachSectionTitle) {
    Saved(0);
    HDMI_EDID_DLG dialog(&record_);
    HeadlessPresentation ui(dialog);
    const int pensBefore = platform::Pen::LiveCount();
    const platform::Surface& surface = ui.Paint();
    const int right = dialog.ClientRect().right - 5;

    std::vector<DrawOp> lines;
    for (const DrawOp& op : surface.Ops())
        if (op.kind == DrawOp::Kind::Line) lines.push_back(op);
    ASSERT_EQ(lines.size(), 6u);
    const int titles[] = {kIdParameterTitle, kIdColorTitle, kIdRangeTitle};
    for (int k = 0; k < 3; ++k) {
        const platform::Rect title = ui.Control(titles[k])->rect;
        const int y = (title.top + title.bottom) / 2;
        const DrawOp& grey = lines[static_cast<size_t>(2 * k)];
        const DrawOp& white = lines[static_cast<size_t>(2 * k + 1)];
        EXPECT_EQ(grey.rect, (platform::Rect{title.right + 5, y, right, y})) << k;
        EXPECT_EQ(grey.color, 0x808080u);
        EXPECT_EQ(white.rect, (platform::Rect{title.right + 5, y + 1, right, y + 1})) << k;
        EXPECT_EQ(white.color, 0xFFFFFFu);
        EXPECT_EQ(surface.Pixel(right - 1, y), 0x808080u);
        EXPECT_EQ(surface.Pixel(right, y), platform::GetSysColor(platform::SysColor::ButtonFace));
    }
    EXPECT_TRUE(surface.HoldsStockObjects());
    EXPECT_EQ(platform::Pen::LiveCount(), pensBefore);
}

// ---- Languages -------------------------------------------------------------------------------

TEST(DialogLanguageTest, MessageLocaleNamesPickTheLanguage) {
    using platform::Language;
    using platform::LanguageFromLocaleName;
    EXPECT_EQ(LanguageFromLocaleName("zh_TW.UTF-8"), Language::TraditionalChinese);
    EXPECT_EQ(LanguageFromLocaleName("zh_HK.big5hkscs"), Language::TraditionalChinese);
    EXPECT_EQ(LanguageFromLocaleName("zh_TW"), Language::TraditionalChinese);
    EXPECT_EQ(LanguageFromLocaleName("zh_CN.UTF-8"), Language::SimplifiedChinese);
    EXPECT_EQ(LanguageFromLocaleName("zh_SG.GBK"), Language::SimplifiedChinese);
    EXPECT_EQ(LanguageFromLocaleName("zh"), Language::SimplifiedChinese);
    EXPECT_EQ(LanguageFromLocaleName("en_US.UTF-8"), Language::English);
    EXPECT_EQ(LanguageFromLocaleName("C"), Language::English);
    EXPECT_EQ(LanguageFromLocaleName(""), Language::English);
    EXPECT_EQ(LanguageFromLocaleName(nullptr), Language::English);
}

TEST(DialogLanguageTest, TheThreeTemplatesShareControlsAndGeometry) {
    const platform::ResourceModule& module = ModuleResources();
    const platform::DialogTemplate* en = module.FindDialog(kSettingsDialogId, platform::Language::English);
    ASSERT_NE(en, nullptr);
    for (platform::Language language :
         {platform::Language::TraditionalChinese, platform::Language::SimplifiedChinese}) {
        const platform::DialogTemplate* other = module.FindDialog(kSettingsDialogId, language);
        ASSERT_NE(other, nullptr);
        ASSERT_NE(other, en);
        EXPECT_EQ(other->cx, en->cx);
        EXPECT_EQ(other->cy, en->cy);
        ASSERT_EQ(other->items.size(), en->items.size());
        for (size_t i = 0; i < en->items.size(); ++i) {
            const platform::ItemTemplate& a = en->items[i];
            const platform::ItemTemplate& b = other->items[i];
            EXPECT_EQ(b.id, a.id) << i;
            EXPECT_EQ(b.kind, a.kind) << i;
            EXPECT_EQ(b.style, a.style) << i;
            EXPECT_EQ((std::array{b.x, b.y, b.cx, b.cy}), (std::array{a.x, a.y, a.cx, a.cy})) << i;
            EXPECT_EQ(b.initialItems.size(), a.initialItems.size()) << i;
        }
    }
}

TEST_F(DialogTest, ChineseDialogsShowTheirOwnCaptions) {
    Saved(0x0010);
    HDMI_EDID_DLG traditional(&record_);
    HeadlessPresentation tw(traditional, platform::Language::TraditionalChinese);
    EXPECT_STREQ(traditional.Template()->caption, "DDC(EDID)參數設定");
    EXPECT_EQ(tw.Text(kIdDefault), "預設");
    EXPECT_EQ(tw.Control(kIdRangeTo)->items[1], "觸發游標(Ｔ)");
    EXPECT_EQ(tw.Text(kIdSclLabel), "CH 5");  // channel names are not translated

    HDMI_EDID_DLG simplified(&record_);
    HeadlessPresentation cn(simplified, platform::Language::SimplifiedChinese);
    EXPECT_EQ(cn.Text(kIdIgnoreGlitch), "忽略毛刺");
    EXPECT_EQ(cn.Control(kIdRangeFrom)->items[0], "缓冲区开头");
    EXPECT_EQ(cn.Text(kIdSevenBit), "7-Bit Addressing");
}

}  // namespace
}  // namespace hdmi::ui
