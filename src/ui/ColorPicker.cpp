#include "ui/ColorPicker.h"

#include "plugin/Colors.h"

namespace hdmi::ui {

using namespace platform;

CColorPicker::~CColorPicker() = default;

void CColorPicker::DrawItem(const DrawItemStruct& item) {
    // An empty list asks for item -1; there is nothing to show then.
    if (item.itemId < 0 || item.itemId >= kColorCount) return;

    CDC dc;
    dc.Attach(item.hdc);
    const BkMode oldMode = dc.SetBkMode(BkMode::Transparent);

    const bool selected = (item.itemState & kItemStateSelected) != 0;
    dc.FillSolidRect(item.rcItem, GetSysColor(selected ? SysColor::Highlight : SysColor::Window));

    {
        Pen frame(1, Rgb(0, 0, 0));
        Brush swatch(kLabelFillColors[item.itemId]);
        Pen* oldPen = dc.SelectObject(&frame);
        Brush* oldBrush = dc.SelectObject(&swatch);
        dc.Rectangle(item.rcItem.Deflated(2));
        dc.SelectObject(oldBrush);
        dc.SelectObject(oldPen);
    }

    dc.SetBkMode(oldMode);
    dc.Detach();
}

}  // namespace hdmi::ui
