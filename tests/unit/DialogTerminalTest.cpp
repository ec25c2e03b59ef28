// The settings dialog in a terminal, driven through a pseudo-terminal: keys in, screen out, the
// stored settings and the terminal's state checked after the dialog is gone.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "DialogPtyDriver.h"
#include "platform/TerminalDevice.h"
#include "platform/TerminalScreen.h"
#include "plugin/Colors.h"
#include "ui/SettingsDialog.h"

namespace hdmi::ui {
namespace {

using hdmi::testing::PtyChild;

constexpr const char* kUp = "\x1b[A";
constexpr const char* kDown = "\x1b[B";
constexpr const char* kBackTab = "\x1b[Z";

HostDecodeContext SavedRecord() {
    HostDecodeContext r;
    std::memset(&r, 0, sizeof r);
    r.HostChannelCount = 16;
    r.ChannelCount = 2;
    r.SettingsState = 1;
    r.ChannelMap[0] = 5;
    r.ChannelMap[1] = 9;
    r.DecodeFlags = 0x0E53;        // from 3, to 5, glitch, 8-bit, statistics
    r.ColorSlotsLow = 0xA8EDCB9F;  // start F, stop 9, ACK B, NACK C, address D, data E, read/write 8
    r.ColorSlotsHigh = 0x5A123456;
    r.DialogResult = 1;
    return r;
}

bool SameRecord(const HostDecodeContext& a, const HostDecodeContext& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The child: optionally switch the message locale, run the dialog, report the record.
std::function<void(int)> DialogChild(const HostDecodeContext& start, const char* locale = nullptr,
                                     const std::string& localeFolder = "") {
    return [start, locale, localeFolder](int resultFd) {
        if (!localeFolder.empty()) ::setenv("LOCPATH", localeFolder.c_str(), 1);
        if (locale != nullptr && std::setlocale(LC_MESSAGES, locale) == nullptr) ::_exit(3);
        HostDecodeContext record = start;
        RunConfigDialog(record);
        hdmi::testing::WriteAllTo(resultFd, &record, sizeof record);
    };
}

// The swatch colour of the picker labelled `label`: the first cell after the label with a
// background other than the field's. Picker rows are the ones with swatch frames.
int64_t SwatchOnRowOf(const PtyChild& child, const std::string& label) {
    const auto& screen = child.Screen();
    int row = -1;
    int from = -1;
    for (int r = 0; r < 24 && row < 0; ++r) {
        const std::string text = screen.Row(r);
        const size_t at = text.find(label + " ");
        if (at != std::string::npos && text.find("▕", at) != std::string::npos) {
            row = r;
            from = screen.ColumnOf(r, label + " ") + static_cast<int>(label.size());
        }
    }
    if (row < 0) return -2;
    for (int c = from; c < from + 12; ++c) {
        const int64_t bg = screen.Background(row, c);
        if (bg >= 0 && bg != platform::GetSysColor(platform::SysColor::Window) &&
            bg != platform::GetSysColor(platform::SysColor::Highlight))
            return bg;
    }
    return -1;
}

TEST(DialogTerminalTest, EveryPartIsDrawnFromTheRecord) {
    PtyChild child(24, 80, DialogChild(SavedRecord()));
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(child.WaitFor("[ Cancel ]")) << child.Screen().Text();
    const auto& screen = child.Screen();
    EXPECT_TRUE(screen.AlternateScreen());
    EXPECT_FALSE(screen.CursorVisible());
    for (const char* text : {"DDC(EDID) Setting",
                             "Parameter Setting ─",
                             "Channel Setting",
                             "SCL",
                             "CH 5",
                             "SDA",
                             "CH 9",
                             "▲▼",
                             "Address Mode",
                             "( ) 7-Bit Addressing",
                             "(*) 8-Bit Addressing(Include R/W in address)",
                             "[x] Ignore glitch",
                             "[x] Statistics Mode",
                             "Color ─",
                             "Start",
                             "Stop",
                             "Address",
                             "Data",
                             "Read/Write",
                             "ACK",
                             "NACK",
                             "Range ─",
                             "Decode Range",
                             "From",
                             "to",
                             "Cursor B",
                             "Cursor D",
                             "[ Default ]",
                             "[ OK ]"})
        EXPECT_TRUE(screen.Shows(text)) << text << "\n" << screen.Text();
    // Sections come in dialog order, one row each, inside the frame.
    EXPECT_LT(screen.RowOf("Parameter Setting"), screen.RowOf("Channel Setting"));
    EXPECT_LT(screen.RowOf("Statistics Mode"), screen.RowOf("Color ─"));
    EXPECT_LT(screen.RowOf("NACK"), screen.RowOf("Range ─"));
    EXPECT_EQ(screen.RowOf("Start"), screen.RowOf("Read/Write"));
    EXPECT_EQ(screen.RowOf("[ Default ]"), screen.RowOf("[ Cancel ]"));
    // Swatches in the label fill colours of the stored indices.
    EXPECT_EQ(SwatchOnRowOf(child, "Start"), kLabelFillColors[0xF]);
    EXPECT_EQ(SwatchOnRowOf(child, "Stop"), kLabelFillColors[0x9]);
    EXPECT_EQ(SwatchOnRowOf(child, "Read/Write"), kLabelFillColors[0x8]);
    EXPECT_EQ(SwatchOnRowOf(child, "NACK"), kLabelFillColors[0xC]);
    child.Type("\x1b");
    HostDecodeContext record;
    child.Finish(&record, sizeof record);
}

TEST(DialogTerminalTest, KeysEditEveryKindOfControlAndEnterStores) {
    PtyChild child(24, 80, DialogChild(SavedRecord()));
    ASSERT_TRUE(child.WaitFor("[ Cancel ]"));
    child.Type("+");  // the SCL spin has the focus first
    ASSERT_TRUE(child.WaitFor("CH 6"));
    child.Type("\t-");
    ASSERT_TRUE(child.WaitFor("CH 8"));
    EXPECT_TRUE(child.WaitFor("CH 6"));
    child.Type("\t ");  // 7-bit radio
    ASSERT_TRUE(child.WaitFor("(*) 7-Bit Addressing"));
    EXPECT_TRUE(child.WaitFor("( ) 8-Bit"));
    child.Type("\t \t ");  // both check boxes off
    ASSERT_TRUE(child.WaitFor("[ ] Statistics Mode"));
    EXPECT_TRUE(child.WaitFor("[ ] Ignore glitch"));
    child.Type("\t");
    child.Type(kUp);
    child.Type(kUp);  // start colour F -> D
    ASSERT_TRUE(child.WaitUntil([&] { return SwatchOnRowOf(child, "Start") == kLabelFillColors[0xD]; }));
    child.Type(std::string(7, '\t') + "-");  // past the other six pickers to "From": 3 -> 2
    ASSERT_TRUE(child.WaitFor("Cursor A"));
    child.Type(std::string("\t") + kDown);  // "to": 5 -> 6
    ASSERT_TRUE(child.WaitFor("Cursor E"));
    child.Type("\r");  // Enter on a list presses the default button

    HostDecodeContext record;
    const int status = child.Finish(&record, sizeof record);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_EQ(child.ResultBytes(), sizeof record);
    HostDecodeContext expected = SavedRecord();
    expected.ChannelMap[0] = 6;
    expected.ChannelMap[1] = 8;
    expected.DecodeFlags = 0x62;
    expected.ColorSlotsLow = 0xA8EDCB9D;
    expected.DialogResult = 1;
    EXPECT_TRUE(SameRecord(record, expected));
    EXPECT_EQ(record.DecodeFlags, 0x62u);
    EXPECT_TRUE(child.ModesRestored());
    EXPECT_FALSE(child.Screen().AlternateScreen());
    EXPECT_TRUE(child.Screen().CursorVisible());
}

TEST(DialogTerminalTest, ShiftTabReachesTheButtonsAndEnterPressesTheFocusedOne) {
    PtyChild child(24, 80, DialogChild(SavedRecord()));
    ASSERT_TRUE(child.WaitFor("[ Cancel ]"));
    child.Type(std::string(kBackTab) + kBackTab + kBackTab + "\r");  // Cancel, OK, Default
    // A frame may arrive in pieces: wait for each part of it.
    EXPECT_TRUE(child.WaitFor("CH 0"));
    EXPECT_TRUE(child.WaitFor("CH 1"));
    EXPECT_TRUE(child.WaitFor("(*) 8-Bit"));
    EXPECT_TRUE(child.WaitFor("Buffer Head"));
    EXPECT_TRUE(child.WaitUntil([&] { return SwatchOnRowOf(child, "Address") == kLabelFillColors[2]; }));
    child.Type("\t\r");  // OK

    HostDecodeContext record;
    child.Finish(&record, sizeof record);
    EXPECT_EQ(record.DialogResult, 1u);
    EXPECT_EQ(record.DecodeFlags, 0x400u);
    EXPECT_EQ(record.ChannelMap[0], 0);
    EXPECT_EQ(record.ChannelMap[1], 1);
    EXPECT_EQ(record.ColorSlotsLow, 0xA4326510u);
    EXPECT_TRUE(child.ModesRestored());
}

TEST(DialogTerminalTest, EscapeAndCtrlCChangeOnlyTheDialogResult) {
    for (const char* key : {"\x1b", "\x03"}) {
        PtyChild child(24, 80, DialogChild(SavedRecord()));
        ASSERT_TRUE(child.WaitFor("[ Cancel ]"));
        child.Type(std::string("+\t\t ") + kBackTab);  // spin up, 7-bit, then back
        ASSERT_TRUE(child.WaitFor("(*) 7-Bit"));
        child.Type(key);
        HostDecodeContext record;
        const int status = child.Finish(&record, sizeof record);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        HostDecodeContext expected = SavedRecord();
        expected.DialogResult = 2;
        EXPECT_TRUE(SameRecord(record, expected)) << (key[0] == 3 ? "Ctrl-C" : "Esc");
        EXPECT_TRUE(child.ModesRestored());
        EXPECT_FALSE(child.Screen().AlternateScreen());
    }
}

TEST(DialogTerminalTest, ALostTerminalClosesTheDialog) {
    HostDecodeContext start = SavedRecord();
    PtyChild child(24, 80, [start](int resultFd) {
        ::signal(SIGHUP, SIG_IGN);  // as under nohup: the dialog must notice on its own
        HostDecodeContext record = start;
        RunConfigDialog(record);
        hdmi::testing::WriteAllTo(resultFd, &record, sizeof record);
    });
    ASSERT_TRUE(child.WaitFor("[ Cancel ]"));
    child.HangUp();
    HostDecodeContext record;
    const int status = child.Finish(&record, sizeof record);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    HostDecodeContext expected = start;
    expected.DialogResult = 2;
    EXPECT_TRUE(SameRecord(record, expected));
}

TEST(DialogTerminalTest, FatalSignalsPutTheTerminalBackAndStillEndTheProcess) {
    PtyChild child(24, 80, DialogChild(SavedRecord()));
    ASSERT_TRUE(child.WaitFor("[ Cancel ]"));
    ::kill(child.Pid(), SIGTERM);
    HostDecodeContext record;
    const int status = child.Finish(&record, sizeof record);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(child.ResultBytes(), 0u);
    EXPECT_TRUE(child.ModesRestored());
    EXPECT_FALSE(child.Screen().AlternateScreen());
    EXPECT_TRUE(child.Screen().CursorVisible());
}

// ---- Language --------------------------------------------------------------------------------

// A folder of message locales for setlocale to find through LOCPATH; only the message category
// is needed, and its content does not matter to the dialog.
class LocaleFolder {
  public:
    LocaleFolder() {
        char pattern[] = "/tmp/hdmi-locales-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) return;
        path_ = pattern;
        const std::filesystem::path source = "/usr/lib/locale/C.utf8/LC_MESSAGES";
        std::error_code error;
        for (const char* name : {"zh_TW.UTF-8", "zh_HK.UTF-8", "zh_CN.UTF-8", "en_GB.UTF-8"}) {
            const auto target = std::filesystem::path(path_) / name / "LC_MESSAGES";
            std::filesystem::create_directories(target, error);
            std::filesystem::copy(source, target, std::filesystem::copy_options::recursive, error);
            if (error) ok_ = false;
        }
    }
    ~LocaleFolder() {
        std::error_code error;
        if (!path_.empty()) std::filesystem::remove_all(path_, error);
    }
    bool Usable() const { return ok_ && !path_.empty(); }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    bool ok_ = true;
};

TEST(DialogTerminalTest, MessageLocalePicksTheLanguage) {
    LocaleFolder locales;
    if (!locales.Usable()) GTEST_SKIP() << "no message locale to copy";
    HostDecodeContext start = SavedRecord();
    start.SettingsState = 0;  // dialog defaults: "Buffer Head" in both lists
    struct Case {
        const char* locale;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"zh_TW.UTF-8",
         {"DDC(EDID)參數設定", "參數設定", "通道設定", "忽略雜訊功能", "緩衝區結尾", "[ 確定 ]", "[ 預設 ]"}},
        {"zh_HK.UTF-8", {"DDC(EDID)參數設定", "分析範圍", "[ 取消 ]"}},
        {"zh_CN.UTF-8", {"DDC(EDID)参数设置", "忽略毛刺", "缓冲区开头", "[ 确定 ]", "[ 默认 ]"}},
        {"en_GB.UTF-8", {"DDC(EDID) Setting", "Buffer Head", "[ OK ]"}},
    };
    for (const Case& c : cases) {
        PtyChild child(24, 80, DialogChild(start, c.locale, locales.Path()));
        ASSERT_TRUE(child.WaitFor("SCL")) << c.locale;
        ASSERT_TRUE(child.WaitFor(c.shown.back())) << c.locale << "\n" << child.Screen().Text();
        for (const std::string& text : c.shown)
            EXPECT_TRUE(child.Screen().Shows(text)) << c.locale << " " << text;
        EXPECT_TRUE(child.Screen().Shows("8-Bit Addressing(Include R/W in address)"));  // never translated
        child.Type("\x1b");
        HostDecodeContext record;
        const int status = child.Finish(&record, sizeof record);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.locale << " status " << status;
    }
}

TEST(DialogTerminalTest, LanguageIsNotTakenFromTheEnvironment) {
    PtyChild child(24, 80, [](int resultFd) {
        ::setenv("LANG", "zh_TW.UTF-8", 1);
        ::setenv("LC_ALL", "zh_TW.UTF-8", 1);
        ::setenv("LC_MESSAGES", "zh_TW.UTF-8", 1);
        HostDecodeContext record = SavedRecord();  // setlocale is never called: the "C" locale
        RunConfigDialog(record);
        hdmi::testing::WriteAllTo(resultFd, &record, sizeof record);
    });
    ASSERT_TRUE(child.WaitFor("[ Cancel ]"));
    EXPECT_TRUE(child.Screen().Shows("DDC(EDID) Setting"));
    child.Type("\x1b");
    HostDecodeContext record;
    child.Finish(&record, sizeof record);
}

// ---- No terminal -----------------------------------------------------------------------------

TEST(DialogTerminalTest, WithoutATerminalOnlyTheDialogResultChanges) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(fds[0]);
        ::setsid();  // a new session has no controlling terminal
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        HostDecodeContext record = SavedRecord();
        RunConfigDialog(record);
        hdmi::testing::WriteAllTo(fds[1], &record, sizeof record);
        ::_exit(0);
    }
    ::close(fds[1]);
    HostDecodeContext record;
    size_t got = 0;
    while (got < sizeof record) {
        const ssize_t n = ::read(fds[0], reinterpret_cast<char*>(&record) + got, sizeof record - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_EQ(got, sizeof record);
    HostDecodeContext expected = SavedRecord();
    expected.DialogResult = 2;
    EXPECT_TRUE(SameRecord(record, expected));
}

// ---- Pieces of the terminal presentation -----------------------------------------------------

TEST(DialogTerminalKeysTest, SequencesSplitOverReadsAreJoined) {
    using platform::Key;
    platform::KeyDecoder keys;
    keys.Feed("\x1b", 1);
    EXPECT_TRUE(keys.WaitingForMore());
    EXPECT_EQ(keys.Next(false), Key::None);
    keys.Feed("[", 1);
    EXPECT_TRUE(keys.WaitingForMore());
    keys.Feed("Z\x1b[Ax", 5);
    EXPECT_EQ(keys.Next(false), Key::BackTab);
    EXPECT_EQ(keys.Next(false), Key::Up);
    EXPECT_EQ(keys.Next(false), Key::None);  // 'x' means nothing here and is dropped
    EXPECT_TRUE(keys.Empty());
    // Escape followed by an ordinary key is two keys; a modified arrow is not a plain arrow.
    keys.Feed("\x1b\t\x1b[1;5A\x1bOB", 12);
    EXPECT_EQ(keys.Next(false), Key::Escape);
    EXPECT_EQ(keys.Next(false), Key::Tab);
    EXPECT_EQ(keys.Next(false), Key::None);
    EXPECT_EQ(keys.Next(false), Key::Down);
    // A lone Escape becomes the key once no more bytes come.
    keys.Feed("\x1b", 1);
    EXPECT_EQ(keys.Next(false), Key::None);
    EXPECT_EQ(keys.Next(true), Key::Escape);
    EXPECT_TRUE(keys.Empty());
}

TEST(DialogTerminalScreenTest, WideCharactersTakeTwoCellsAndAreNeverHalved) {
    EXPECT_EQ(platform::DisplayWidth("CH 5"), 4);
    EXPECT_EQ(platform::DisplayWidth("游標Ａ"), 6);
    EXPECT_EQ(platform::DisplayWidth("触发光标(T)"), 11);
    EXPECT_EQ(platform::FitToWidth("確定OK", 3), "確");
    EXPECT_EQ(platform::FitToWidth("確定OK", 5), "確定O");

    platform::TerminalScreen screen(1, 6);
    EXPECT_EQ(screen.Put(0, 0, "通道設定"), 6);
    EXPECT_EQ(screen.RowText(0), "通道設");
    screen.Put(0, 1, "x");  // over the right half of the first character
    EXPECT_EQ(screen.RowText(0), " x道設");
    EXPECT_EQ(screen.Put(0, 5, "定"), 0);  // would straddle the edge
    // Painting a box wider than the terminal leaves out what does not fit.
    const std::string paint = screen.Paint(0, 0, 1, 4);
    EXPECT_NE(paint.find(" x道"), std::string::npos);
    EXPECT_EQ(paint.find("設"), std::string::npos);
}

}  // namespace
}  // namespace hdmi::ui
