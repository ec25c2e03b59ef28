// The colour picker's owner-drawn items: a swatch of the label fill colour in a black frame on the
// window or highlight colour, nothing for indices outside the list, and the device context handed
// back as it was found.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/UiHeadless.h"
#include "plugin/Colors.h"
#include "ui/HdmiEdidDlg.h"
#include "ui/ResourceIds.h"

namespace hdmi::ui {
namespace {

using platform::ColorRef;
using platform::DrawOp;
using platform::GetSysColor;
using platform::SysColor;

constexpr int kWidth = 60;
constexpr int kHeight = platform::kOwnerDrawItemHeight;
constexpr ColorRef kBlack = 0x000000;

class ColorPickerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::memset(&record_, 0, sizeof record_);
        record_.HostChannelCount = 8;
        dialog_ = std::make_unique<HDMI_EDID_DLG>(&record_);
        ui_ = std::make_unique<platform::HeadlessPresentation>(*dialog_);
    }

    const platform::Surface& Draw(int item, uint32_t state = 0) {
        return ui_->DrawItem(kIdStartColor, item, state, kWidth);
    }

    HostDecodeContext record_;
    std::unique_ptr<HDMI_EDID_DLG> dialog_;
    std::unique_ptr<platform::HeadlessPresentation> ui_;
};

TEST_F(ColorPickerTest, EveryItemIsItsFillColourInABlackFrameInsetByTwo) {
    for (int item = 0; item < 16; ++item) {
        const platform::Surface& s = Draw(item);
        ASSERT_EQ(s.Ops().size(), 2u);
        const DrawOp& fill = s.Ops()[0];
        const DrawOp& swatch = s.Ops()[1];
        EXPECT_EQ(fill.kind, DrawOp::Kind::FillRect);
        EXPECT_EQ(fill.rect, (platform::Rect{0, 0, kWidth, kHeight}));
        EXPECT_EQ(fill.color, GetSysColor(SysColor::Window));
        EXPECT_EQ(swatch.kind, DrawOp::Kind::Rectangle);
        EXPECT_EQ(swatch.rect, (platform::Rect{2, 2, kWidth - 2, kHeight - 2}));
        EXPECT_EQ(swatch.fill, kLabelFillColors[item]) << item;
        EXPECT_EQ(swatch.color, kBlack);
        EXPECT_EQ(swatch.penWidth, 1);
        EXPECT_EQ(swatch.bkMode, platform::BkMode::Transparent);
    }
}

TEST_F(ColorPickerTest, ItemSevenIsWhiteInsideItsBlackFrame) {
    const platform::Surface& s = Draw(7);
    EXPECT_EQ(s.Pixel(kWidth / 2, kHeight / 2), 0xFFFFFFu);
    EXPECT_EQ(s.Pixel(3, 3), 0xFFFFFFu);
    EXPECT_EQ(s.Pixel(2, 2), kBlack);
    EXPECT_EQ(s.Pixel(kWidth - 3, kHeight - 3), kBlack);
    EXPECT_EQ(s.Pixel(kWidth / 2, 2), kBlack);
    EXPECT_EQ(s.Pixel(1, 1), GetSysColor(SysColor::Window));
    EXPECT_EQ(s.Pixel(kWidth - 2, kHeight / 2), GetSysColor(SysColor::Window));
}

TEST_F(ColorPickerTest, ItemFifteenIsAllBlackInsideTheSurround) {
    const platform::Surface& s = Draw(15);
    for (int x = 2; x < kWidth - 2; ++x) EXPECT_EQ(s.Pixel(x, kHeight / 2), kBlack) << x;
    EXPECT_EQ(s.Pixel(0, 0), GetSysColor(SysColor::Window));
    EXPECT_EQ(s.Pixel(kWidth - 1, kHeight - 1), GetSysColor(SysColor::Window));
}

TEST_F(ColorPickerTest, SelectionChangesOnlyTheSurround) {
    const ColorRef plainCentre = Draw(4).Pixel(kWidth / 2, kHeight / 2);
    const platform::Surface& s = Draw(4, platform::kItemStateSelected | platform::kItemStateFocus);
    EXPECT_EQ(s.Pixel(kWidth / 2, kHeight / 2), plainCentre);
    EXPECT_EQ(s.Pixel(kWidth / 2, kHeight / 2), kLabelFillColors[4]);
    EXPECT_EQ(s.Pixel(0, 0), GetSysColor(SysColor::Highlight));
    EXPECT_EQ(s.Pixel(1, kHeight - 1), GetSysColor(SysColor::Highlight));
    EXPECT_EQ(s.Pixel(2, 2), kBlack);
    // Focus alone is no selection.
    EXPECT_EQ(Draw(4, platform::kItemStateFocus).Pixel(0, 0), GetSysColor(SysColor::Window));
}

TEST_F(ColorPickerTest, IndicesOutsideTheListDrawNothing) {
    for (int item : {-1, 16}) {
        const platform::Surface& s = Draw(item, platform::kItemStateSelected);
        EXPECT_TRUE(s.Ops().empty()) << item;
        EXPECT_EQ(s.Pixel(0, 0), 0x000000u) << item;  // the fresh surface's own colour
        EXPECT_EQ(s.Pixel(kWidth / 2, kHeight / 2), 0x000000u) << item;
    }
}

TEST_F(ColorPickerTest, DeviceContextIsHandedBackAsFound) {
    const int pens = platform::Pen::LiveCount();
    const int brushes = platform::Brush::LiveCount();
    const platform::Surface& s = Draw(9, platform::kItemStateSelected);
    EXPECT_TRUE(s.HoldsStockObjects());
    EXPECT_EQ(s.CurrentBkMode(), platform::BkMode::Opaque);
    EXPECT_EQ(s.AttachCount(), 0);
    EXPECT_EQ(platform::Pen::LiveCount(), pens);
    EXPECT_EQ(platform::Brush::LiveCount(), brushes);
}

TEST_F(ColorPickerTest, EveryPickerOfTheDialogDrawsSwatches) {
    for (int id : {kIdStartColor, kIdStopColor, kIdAckColor, kIdNackColor, kIdAddressColor, kIdDataColor,
                   kIdReadWriteColor}) {
        const platform::Surface& s = ui_->DrawItem(id, 11, 0, kWidth);
        EXPECT_EQ(s.Pixel(kWidth / 2, kHeight / 2), kLabelFillColors[11]) << id;
    }
    // The range lists are not owner-drawn: nothing answers a draw request there.
    EXPECT_TRUE(ui_->DrawItem(kIdRangeFrom, 1, 0, kWidth).Ops().empty());
}

}  // namespace
}  // namespace hdmi::ui
