// The owner-drawn drop-down list with which the settings dialog picks one of the 16 label
// colours: item k is colour index k, drawn as a swatch of its label fill colour.
#pragma once

#include "platform/UiDialog.h"

namespace hdmi::ui {

class CColorPicker : public platform::CComboBox {
  public:
    static constexpr int kColorCount = 16;

    CColorPicker() = default;
    ~CColorPicker() override;

    void DrawItem(const platform::DrawItemStruct& item) override;
};

}  // namespace hdmi::ui
