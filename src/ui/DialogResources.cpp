#include "ui/DialogResources.h"

#include <array>

#include "plugin/Settings.h"
#include "ui/ResourceIds.h"
#include "ui/SectionIcons.h"

namespace hdmi::ui {
namespace {

using platform::ControlKind;
using platform::ItemTemplate;
using platform::Language;

// The texts that differ between the language versions of the dialog.
struct Captions {
    const char* dialog;
    const char* ok;
    const char* cancel;
    const char* defaults;
    const char* channelGroup;
    const char* parameterTitle;
    const char* colorTitle;
    const char* rangeTitle;
    const char* decodeRange;
    const char* from;
    const char* to;
    const char* ignoreGlitch;
    const char* addressGroup;
    const char* statistics;
    std::span<const char* const, kRangeEntryCount> rangeEntries;
};

constexpr const char* kTraditionalRangeEntries[kRangeEntryCount] = {
    "緩衝區結尾", "觸發游標(Ｔ)", "游標Ａ", "游標Ｂ", "游標Ｃ", "游標Ｄ", "游標Ｅ",
};
constexpr const char* kSimplifiedRangeEntries[kRangeEntryCount] = {
    "缓冲区开头", "触发光标(T)", "光标A", "光标B", "光标C", "光标D", "光标E",
};

static_assert(kRangeEntryCount == kMarkerCount, "one range entry per marker");

constexpr Captions kEnglish = {
    .dialog = "DDC(EDID) Setting",
    .ok = "OK",
    .cancel = "Cancel",
    .defaults = "Default",
    .channelGroup = "Channel Setting",
    .parameterTitle = "Parameter Setting",
    .colorTitle = "Color",
    .rangeTitle = "Range",
    .decodeRange = "Decode Range",
    .from = "From",
    .to = "to",
    .ignoreGlitch = "Ignore glitch",
    .addressGroup = "Address Mode",
    .statistics = "Statistics Mode",
    .rangeEntries = kRangeNames,
};

constexpr Captions kTraditionalChinese = {
    .dialog = "DDC(EDID)參數設定",
    .ok = "確定",
    .cancel = "取消",
    .defaults = "預設",
    .channelGroup = "通道設定",
    .parameterTitle = "參數設定",
    .colorTitle = "波形顏色",
    .rangeTitle = "分析範圍",
    .decodeRange = "選擇要分析的範圍",
    .from = "起始位置",
    .to = "結束位置",
    .ignoreGlitch = "忽略雜訊功能",
    .addressGroup = "位址設定",
    .statistics = "統計模式",
    .rangeEntries = kTraditionalRangeEntries,
};

constexpr Captions kSimplifiedChinese = {
    .dialog = "DDC(EDID)参数设置",
    .ok = "确定",
    .cancel = "取消",
    .defaults = "默认",
    .channelGroup = "通道设置",
    .parameterTitle = "参数设置",
    .colorTitle = "波形颜色",
    .rangeTitle = "分析范围",
    .decodeRange = "选择要分析的范围",
    .from = "起始位置",
    .to = "结束位置",
    .ignoreGlitch = "忽略毛刺",
    .addressGroup = "位址设置",
    .statistics = "统计模式",
    .rangeEntries = kSimplifiedRangeEntries,
};

using namespace platform;  // style bits

constexpr uint32_t kLabelStyle = kStyleSunken | kStyleCenterVertically;
constexpr uint32_t kSpinStyle = kStyleArrowKeys | kStyleTabStop;
constexpr uint32_t kPickerStyle = kStyleDropDownList | kStyleOwnerDrawFixed | kStyleTabStop;
constexpr uint32_t kListStyle = kStyleDropDownList | kStyleHasStrings | kStyleTabStop;
constexpr uint32_t kCheckStyle = kStyleAuto | kStyleTabStop | kStyleGroup;
constexpr uint32_t kButtonStyle = kStyleTabStop | kStyleGroup;

constexpr ItemTemplate Item(ControlKind kind, int id, const char* caption, int x, int y, int cx, int cy,
                            uint32_t style = 0, std::span<const char* const> entries = {}) {
    return {id, kind, style, caption, x, y, cx, cy, entries};
}

constexpr auto S = ControlKind::Static;
constexpr auto G = ControlKind::GroupBox;
constexpr auto B = ControlKind::PushButton;
constexpr auto C = ControlKind::CheckBox;
constexpr auto R = ControlKind::RadioButton;
constexpr auto U = ControlKind::UpDown;
constexpr auto L = ControlKind::ComboBox;

// Every control in tab order; the geometry (x, y, width, height in dialog units) is the same in
// every language. Drop-down heights include the open list.
constexpr auto MakeItems(const Captions& t) {
    return std::array{
        Item(S, kIdParameterTitle, t.parameterTitle, 6, 5, 60, 8),
        Item(S, kIdParameterIcon, "", 6, 18, 13, 11, kStyleHidden),
        Item(G, kIdStatic, t.channelGroup, 35, 15, 213, 27),
        Item(S, kIdStatic, "SCL", 50, 25, 22, 13),
        Item(S, kIdSclLabel, "CH ?", 76, 25, 32, 13, kLabelStyle),
        Item(U, kIdSclSpin, "", 110, 25, 12, 13, kSpinStyle),
        Item(S, kIdStatic, "SDA", 156, 25, 15, 13),
        Item(S, kIdSdaLabel, "CH ?", 178, 25, 32, 13, kLabelStyle),
        Item(U, kIdSdaSpin, "", 214, 25, 12, 13, kSpinStyle),
        Item(G, kIdStatic, t.addressGroup, 35, 44, 213, 37),
        Item(R, kIdSevenBit, "7-Bit Addressing", 50, 55, 69, 10, kStyleAuto | kStyleTabStop | kStyleGroup),
        Item(R, kIdEightBit, "8-Bit Addressing(Include R/W in address)", 50, 67, 151, 10, kStyleAuto),
        Item(C, kIdIgnoreGlitch, t.ignoreGlitch, 34, 83, 79, 10, kCheckStyle),
        Item(C, kIdStatistics, t.statistics, 129, 83, 79, 10, kCheckStyle),
        Item(S, kIdColorTitle, t.colorTitle, 6, 97, 18, 8),
        Item(S, kIdColorIcon, "", 6, 109, 13, 11, kStyleHidden),
        Item(S, kIdStatic, "Start", 32, 110, 34, 8),
        Item(L, kIdStartColor, "", 68, 110, 58, 134, kPickerStyle),
        Item(S, kIdStatic, "Stop", 32, 126, 34, 8),
        Item(L, kIdStopColor, "", 68, 126, 58, 134, kPickerStyle),
        Item(S, kIdStatic, "Address", 32, 142, 34, 8),
        Item(L, kIdAddressColor, "", 68, 142, 58, 134, kPickerStyle),
        Item(S, kIdStatic, "Data", 32, 158, 34, 8),
        Item(L, kIdDataColor, "", 68, 158, 58, 134, kPickerStyle),
        Item(S, kIdStatic, "Read/Write", 143, 110, 44, 8),
        Item(L, kIdReadWriteColor, "", 189, 110, 58, 134, kPickerStyle),
        Item(S, kIdStatic, "ACK", 143, 126, 44, 8),
        Item(L, kIdAckColor, "", 189, 126, 58, 134, kPickerStyle),
        Item(S, kIdStatic, "NACK", 143, 142, 44, 8),
        Item(L, kIdNackColor, "", 189, 142, 58, 134, kPickerStyle),
        Item(S, kIdRangeTitle, t.rangeTitle, 6, 175, 22, 8),
        Item(S, kIdRangeIcon, "", 6, 188, 13, 11, kStyleHidden),
        Item(S, kIdStatic, t.decodeRange, 36, 187, 90, 8),
        Item(S, kIdStatic, t.from, 37, 200, 60, 8),
        Item(S, kIdStatic, t.to, 137, 200, 60, 8),
        Item(L, kIdRangeFrom, "", 36, 210, 69, 99, kListStyle, t.rangeEntries),
        Item(L, kIdRangeTo, "", 136, 210, 69, 99, kListStyle, t.rangeEntries),
        Item(B, kIdDefault, t.defaults, 82, 229, 50, 14, kButtonStyle),
        Item(B, kIdOk, t.ok, 139, 229, 50, 14, kButtonStyle | kStyleDefaultButton),
        Item(B, kIdCancel, t.cancel, 196, 229, 50, 14, kButtonStyle),
    };
}

constexpr auto kEnglishItems = MakeItems(kEnglish);
constexpr auto kTraditionalItems = MakeItems(kTraditionalChinese);
constexpr auto kSimplifiedItems = MakeItems(kSimplifiedChinese);

constexpr uint32_t kDialogStyle = kDialogModalFrame | kDialogCaption | kDialogSystemMenu | kDialogCentered;

constexpr DialogTemplate Dialog(Language language, const Captions& t, std::span<const ItemTemplate> items) {
    return {kSettingsDialogId, language, t.dialog, "MS Shell Dlg", 8, 255, 249, kDialogStyle, items};
}

constexpr DialogTemplate kDialogs[] = {
    Dialog(Language::English, kEnglish, kEnglishItems),
    Dialog(Language::TraditionalChinese, kTraditionalChinese, kTraditionalItems),
    Dialog(Language::SimplifiedChinese, kSimplifiedChinese, kSimplifiedItems),
};

constexpr bool IdsAreUnique(std::span<const ItemTemplate> items) {
    for (size_t i = 0; i < items.size(); ++i)
        for (size_t j = i + 1; j < items.size(); ++j)
            if (items[i].id != kIdStatic && items[i].id == items[j].id) return false;
    return true;
}
static_assert(IdsAreUnique(kEnglishItems), "control ids are unique");

}  // namespace

const ResourceModule& ModuleResources() {
    static const BitmapResource bitmaps[] = {{kSectionIconsBitmapId, SectionIconsBitmap()}};
    static const ResourceModule module{kDialogs, bitmaps};
    return module;
}

}  // namespace hdmi::ui
