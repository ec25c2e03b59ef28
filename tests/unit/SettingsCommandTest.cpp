// The settings block as hdmi-ddc keeps it between uses, and `hdmi-ddc settings` driven through a
// pseudo-terminal: keys into the plug-in's dialog, the kept file checked afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DialogPtyDriver.h"
#include "SettingsFile.h"

namespace hdmi::host {
namespace {

namespace fs = std::filesystem;

StoredSettings Sample() {
    StoredSettings s;
    s.ChannelCount = 2;
    s.ChannelMap[0] = 6;
    s.ChannelMap[1] = 8;
    s.DecodeFlags = 0x0E53;
    s.ColorSlotsLow = 0xA8EDCB9F;
    s.ColorSlotsHigh = 0x5A123456;
    s.SettingsState = 0x8001;
    s.DialogResult = 1;
    return s;
}

TEST(SettingsFileTest, WhatIsWrittenReadsBackTheSameInAnyLineOrder) {
    const std::string text = FormatSettings(Sample());
    EXPECT_EQ(ParseSettings(text, "f"), Sample());
    // Lines reordered, blanks and comments added, CR LF endings: still the same block.
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.starts_with("#")) lines.push_back(line);
    std::string shuffled = "\r\n# mine\r\n";
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) shuffled += "  " + *it + " \r\n";
    EXPECT_EQ(ParseSettings(shuffled, "f"), Sample());
}

TEST(SettingsFileTest, AnythingElseIsRefusedWithFileAndLine) {
    const std::string good = FormatSettings(Sample());
    auto refused = [](const std::string& text) {
        try {
            ParseSettings(text, "kept");
        } catch (const SettingsFileError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refused(good + "Colour=3\n"), "kept: line 10: unknown setting \"Colour\"");
    EXPECT_EQ(refused(good + "DecodeFlags=1\n"), "kept: line 10: DecodeFlags is given twice");
    EXPECT_EQ(refused("garbage\n"), "kept: line 1: expected NAME=VALUE");
    std::string badMap = good;
    badMap.replace(badMap.find("ChannelMap=6,8"), 14, "ChannelMap=6");
    EXPECT_EQ(refused(badMap), "kept: line 4: ChannelMap wants two channels, SCL,SDA");
    std::string badNumber = good;
    badNumber.replace(badNumber.find("0x00000E53"), 10, "0x1FFFFFFFF");
    EXPECT_EQ(refused(badNumber),
              "kept: line 5: DecodeFlags wants a number from 0 to 4294967295, not \"0x1FFFFFFFF\"");
    std::string missing = good;
    missing.erase(missing.find("DialogResult"));
    EXPECT_EQ(refused(missing), "kept: DialogResult is missing");
}

TEST(SettingsFileTest, SavingReplacesTheFileWholeAndCreatesTheFolder) {
    std::string pattern = (fs::temp_directory_path() / "settings-XXXXXX").string();
    const fs::path dir = mkdtemp(pattern.data());
    const std::string path = (dir / "a" / "b" / "settings").string();
    EXPECT_EQ(LoadSettings(path), std::nullopt);
    SaveSettings(path, Sample());
    EXPECT_EQ(LoadSettings(path), Sample());
    StoredSettings other = Sample();
    other.DecodeFlags = 0x400;
    SaveSettings(path, other);
    EXPECT_EQ(LoadSettings(path), other);
    EXPECT_FALSE(fs::exists(path + ".new"));
    EXPECT_TRUE(RemoveSettings(path));
    EXPECT_FALSE(RemoveSettings(path));
    fs::remove_all(dir);
}

#ifdef HDMI_CLI_PATH

// hdmi-ddc run on a terminal of its own, with its configuration folder in a fresh folder.
class SettingsCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "settings-cli-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::function<void(int)> Command(std::vector<std::string> args) const {
        const std::string config = dir_.string();
        return [args, config](int) {
            ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
            std::vector<std::string> words = {HDMI_CLI_PATH};
            words.insert(words.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& w : words) argv.push_back(w.data());
            argv.push_back(nullptr);
            ::execv(HDMI_CLI_PATH, argv.data());
            ::_exit(127);
        };
    }
    std::string Kept() const {
        std::ifstream in(dir_ / "hdmi-ddc" / "settings");
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }
    // Runs the command on a 100 x 30 terminal with `keys` typed once the dialog is up.
    std::string Dialog(const std::string& keys, int& status) {
        hdmi::testing::PtyChild child(30, 100, Command({"settings"}));
        EXPECT_TRUE(child.WaitFor("[ Cancel ]")) << child.Screen().Text();
        child.Type(keys);
        status = child.Finish(nullptr, 0);
        return child.Screen().Raw();  // what was printed after the dialog, as bytes
    }

    fs::path dir_;
};

TEST_F(SettingsCommandTest, OkKeepsWhatTheDialogStoredAndTheNextDialogStartsFromIt) {
    int status = 0;
    // Nothing kept yet: the dialog opens on its own defaults (8-bit); OK at once keeps 0x400.
    std::string screen = Dialog("\r", status);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << screen;
    EXPECT_NE(screen.find("kept in " + (dir_ / "hdmi-ddc" / "settings").string()), std::string::npos)
        << screen;
    EXPECT_NE(Kept().find("DecodeFlags=0x00000400\n"), std::string::npos) << Kept();
    EXPECT_NE(Kept().find("SettingsState=0x0001\n"), std::string::npos) << Kept();

    // Opened again on what was kept: SCL one up, the 7-bit radio, OK.
    screen = Dialog("+\t\t \r", status);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << screen;
    const StoredSettings kept = ParseSettings(Kept(), "kept");
    EXPECT_EQ(kept.ChannelMap[0], 1);
    EXPECT_EQ(kept.DecodeFlags & 0x400u, 0u);
    EXPECT_NE(screen.find("addresses       7-bit"), std::string::npos) << screen;

    // Escape cancels: the file stays as it was.
    const std::string before = Kept();
    screen = Dialog("\x1b", status);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(screen.find("cancelled; the kept settings are unchanged"), std::string::npos) << screen;
    EXPECT_EQ(Kept(), before);
}

#endif

}  // namespace
}  // namespace hdmi::host
