// The Windows resource script and bitmap file in src/ui/ are made from the dialog's resource data;
// these tests keep them in step (HDMI_UPDATE_GOLDEN=1 rewrites them) and check the making itself.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../support/Golden.h"
#include "../support/ResourceScript.h"
#include "ui/DialogResources.h"
#include "ui/ResourceIds.h"
#include "ui/SectionIcons.h"

namespace hdmi::test {
namespace {

const std::string kUiDir = std::string(HDMI_GOLDEN_DIR) + "/../../src/ui/";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void CheckOrRewrite(const std::string& path, const std::string& made) {
    if (UpdatingGolden()) {
        std::ofstream(path, std::ios::binary) << made;
        return;
    }
    EXPECT_EQ(ReadAll(path), made) << path << " is out of date: rebuild it with HDMI_UPDATE_GOLDEN=1";
}

std::string MadeScript() {
    return ResourceScript(ui::ModuleResources(), {"SectionIcons.bmp"});
}

TEST(ResourceScript, FilesInTheTreeMatchTheDialogData) {
    CheckOrRewrite(kUiDir + "DialogResources.rc", MadeScript());
    const std::vector<uint8_t> bmp = BitmapFile(ui::SectionIconsBitmap());
    CheckOrRewrite(kUiDir + "SectionIcons.bmp", std::string(bmp.begin(), bmp.end()));
}

TEST(ResourceScript, EveryLanguageOfTheDialogIsATemplateWithEveryControl) {
    const std::string rc = MadeScript();
    for (const char* language :
         {"LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n1000 DIALOGEX 0, 0, 255, 249\n",
          "LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL\n1000 DIALOGEX 0, 0, 255, 249\n",
          "LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED\n1000 DIALOGEX 0, 0, 255, 249\n"})
        EXPECT_NE(rc.find(language), std::string::npos) << language;
    // Each language lists the same 40 controls.
    size_t controls = 0;
    for (size_t at = rc.find("    CONTROL "); at != std::string::npos; at = rc.find("    CONTROL ", at + 1))
        ++controls;
    EXPECT_EQ(controls, 3 * ui::ModuleResources().dialogs[0].items.size());
    EXPECT_NE(rc.find("1002 BITMAP \"SectionIcons.bmp\""), std::string::npos);
}

TEST(ResourceScript, ControlsKeepTheirKindStylesAndGeometry) {
    const std::string rc = MadeScript();
    EXPECT_NE(
        rc.find("CONTROL \"CH ?\", 1017, \"Static\", SS_LEFT | SS_SUNKEN | SS_CENTERIMAGE, 76, 25, 32, 13\n"),
        std::string::npos);
    EXPECT_NE(
        rc.find("CONTROL \"\", 1005, \"msctls_updown32\", UDS_ARROWKEYS | WS_TABSTOP, 110, 25, 12, 13\n"),
        std::string::npos);
    EXPECT_NE(
        rc.find("CONTROL \"\", 1006, \"ComboBox\", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | WS_VSCROLL | "
                "WS_TABSTOP, 68, 110, 58, 134\n"),
        std::string::npos);
    EXPECT_NE(rc.find("CONTROL \"\", 1001, \"Static\", SS_LEFT | NOT WS_VISIBLE, 6, 18, 13, 11\n"),
              std::string::npos);
    EXPECT_NE(
        rc.find(
            "CONTROL \"OK\", 1, \"Button\", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 139, 229, 50, 14\n"),
        std::string::npos);
    EXPECT_NE(
        rc.find("CONTROL \"8-Bit Addressing(Include R/W in address)\", 1024, \"Button\", BS_AUTORADIOBUTTON, "
                "50, 67, 151, 10\n"),
        std::string::npos);
    EXPECT_NE(rc.find("CAPTION \"DDC(EDID)參數設定\"\nFONT 8, \"MS Shell Dlg\", 0, 0, 0x1\n"),
              std::string::npos);
    EXPECT_NE(rc.find("STYLE WS_POPUP | DS_MODALFRAME | DS_CENTER | WS_CAPTION | WS_SYSMENU\n"),
              std::string::npos);
}

TEST(ResourceScript, QuotesInCaptionsAreDoubled) {
    EXPECT_EQ(Quoted("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(Quoted(""), "\"\"");
}

TEST(ResourceScript, BitmapFileIsBottomUpBgrWithPaddedRows) {
    // 2 x 2 pixels: rows of 6 bytes padded to 8; the file's first row is the bitmap's last.
    const platform::ColorRef pixels[] = {platform::Rgb(1, 2, 3), platform::Rgb(4, 5, 6),
                                         platform::Rgb(7, 8, 9), platform::Rgb(10, 11, 12)};
    const std::vector<uint8_t> file = BitmapFile({2, 2, pixels});
    ASSERT_EQ(file.size(), 14u + 40u + 16u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(file[2], 70);   // file size
    EXPECT_EQ(file[10], 54);  // pixel data offset
    EXPECT_EQ(file[28], 24);  // bits per pixel
    const std::vector<uint8_t> rows(file.begin() + 54, file.end());
    EXPECT_EQ(rows, (std::vector<uint8_t>{9, 8, 7, 12, 11, 10, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0}));
}

TEST(ResourceScript, SectionIconsBitmapHasTheIconsAndTheirMasks) {
    const platform::BitmapView icons = ui::SectionIconsBitmap();
    const std::vector<uint8_t> file = BitmapFile(icons);
    EXPECT_EQ(icons.width, 3 * ui::kSectionIconSize);
    EXPECT_EQ(icons.height, 2 * ui::kSectionIconSize);
    EXPECT_EQ(file.size(), 54u + 96u * 3u * 64u);
}

}  // namespace
}  // namespace hdmi::test
