// hdmi-ddc as a user runs it: exit statuses, the one-line messages for bad input, the output
// formats against what a host session gets from the plug-in for the same capture and settings,
// interrupts, and nothing left behind in the temporary folder or shared memory.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../support/Plugin.h"
#include "CaptureFile.h"
#include "SettingsFile.h"
#include "SigrokFile.h"

extern char** environ;

namespace hdmi {
namespace {

namespace fs = std::filesystem;

#ifdef HDMI_CLI_PATH
constexpr const char* kCli = HDMI_CLI_PATH;
#else
constexpr const char* kCli = nullptr;
#endif

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

struct Result {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
    pid_t pid = 0;
};

// A folder for one test: the files it makes, and the TMPDIR of the tool it runs (which must be
// empty again when the tool has exited).
class CliTest : public test::PluginTest {
  protected:
    void SetUp() override {
        if (!kCli) GTEST_SKIP() << "built without the hdmi-ddc path";
        test::PluginTest::SetUp();
        std::string pattern = (fs::temp_directory_path() / "cli-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        fs::create_directory(Tmp());
    }
    void TearDown() override {
        std::error_code ignored;
        if (!dir_.empty()) fs::remove_all(dir_, ignored);
    }

    std::string File(const std::string& name) const { return (fs::path(dir_) / name).string(); }
    std::string Tmp() const { return File("tmp"); }
    std::string Config() const { return File("config"); }

    std::vector<char*> Environment(std::vector<std::string>& storage) const {
        for (char** e = environ; *e; ++e)
            if (!std::string_view(*e).starts_with("TMPDIR=") &&
                !std::string_view(*e).starts_with("XDG_CONFIG_HOME="))
                storage.emplace_back(*e);
        storage.push_back("TMPDIR=" + Tmp());
        // Settings the user keeps never reach the tool under test.
        storage.push_back("XDG_CONFIG_HOME=" + Config());
        std::vector<char*> env;
        for (std::string& s : storage) env.push_back(s.data());
        env.push_back(nullptr);
        return env;
    }

    pid_t Spawn(const std::vector<std::string>& args, const std::string& out, const std::string& err,
                int stdoutFd = -1) const {
        std::vector<std::string> argvStorage = {kCli};
        argvStorage.insert(argvStorage.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : argvStorage) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> envStorage;
        std::vector<char*> env = Environment(envStorage);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (stdoutFd >= 0) {
            posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        // A session of its own: no controlling terminal comes along from whoever runs the tests.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
        pid_t pid = 0;
        const int error = posix_spawn(&pid, kCli, &actions, &attributes, argv.data(), env.data());
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(error, 0) << "cannot start " << kCli;
        return pid;
    }

    static int Wait(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    Result Run(const std::vector<std::string>& args) {
        Result result;
        result.pid = Spawn(args, File("out.txt"), File("err.txt"));
        result.status = Wait(result.pid);
        result.out = ReadFile(File("out.txt"));
        result.err = ReadFile(File("err.txt"));
        ExpectNothingLeft(result.pid);
        return result;
    }

    // The tool's temporary folder is empty and no shared-memory section of its process remains.
    void ExpectNothingLeft(pid_t pid) const {
        std::error_code error;
        EXPECT_TRUE(fs::is_empty(Tmp(), error))
            << "left in TMPDIR: " << fs::directory_iterator(Tmp())->path();
        const std::string prefix = "hdmiddc_" + std::to_string(pid) + "_";
        for (const auto& entry : fs::directory_iterator("/dev/shm", error))
            EXPECT_FALSE(entry.path().filename().string().starts_with(prefix)) << entry.path();
    }

    // A capture of one hot-plug, made by the tool itself.
    std::string HotPlug(const std::string& name = "hotplug.sr", std::vector<std::string> extra = {}) {
        WriteEdid();
        std::vector<std::string> args = {"synth", File(name), "--edid", File("edid.hex"), "--scdc", "--hdcp"};
        args.insert(args.end(), extra.begin(), extra.end());
        const Result made = Run(args);
        EXPECT_EQ(made.status, 0) << made.err;
        return File(name);
    }

    // A base block and one extension with valid checksums; what they say matters little here.
    void WriteEdid() const {
        std::vector<uint8_t> edid(256, 0);
        const uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x10, 0xAC, 0x01, 0x02};
        std::copy(std::begin(header), std::end(header), edid.begin());
        edid[18] = 1;
        edid[19] = 3;
        edid[126] = 1;
        edid[128] = 0x02;
        edid[129] = 0x03;
        for (int block = 0; block < 2; ++block) {
            uint8_t sum = 0;
            for (int i = 0; i < 127; ++i) sum = uint8_t(sum + edid[size_t(block * 128 + i)]);
            edid[size_t(block * 128 + 127)] = uint8_t(-sum);
        }
        std::ofstream out(File("edid.hex"));
        for (size_t i = 0; i < edid.size(); ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X", edid[i]);
            out << hex << ((i % 16 == 15) ? "\n" : " ");
        }
    }

    // The report text hdmi-ddc prints for `capture` with `options` (--format raw), which must succeed.
    std::string RawReport(const std::string& capture, const std::vector<std::string>& options) {
        std::vector<std::string> args = {"decode", capture, "--format", "raw"};
        args.insert(args.end(), options.begin(), options.end());
        const Result r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    // The report a host session gets for `path` with `configure` applied to its settings, as
    // the text in the section (lines joined with CR LF).
    template <class Configure>
    std::string SessionReport(const std::string& path, Configure&& configure) {
        auto session = NewSession(host::ReportOutput::Section);
        capture_ = host::ReadCapture(path);
        session->SetCapture(capture_);
        session->SetChannels(capture_.FindChannel("SCL"), capture_.FindChannel("SDA"));
        configure(*session, capture_);
        EXPECT_GT(session->Analyze(), 0u);
        std::string text;
        for (const std::string& line : session->LastReport().lines) text += line + "\r\n";
        return text;
    }

    std::string dir_;
};

// ---- Bad input ---------------------------------------------------------------------------------------

TEST_F(CliTest, UsageAndUnknownCommands) {
    const Result none = Run({});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("usage: hdmi-ddc decode FILE"), std::string::npos);
    const Result help = Run({"help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--packets"), std::string::npos);
    EXPECT_EQ(Run({"frobnicate"}).err,
              "hdmi-ddc: unknown command \"frobnicate\" (decode, settings, synth or help)\n");
}

TEST_F(CliTest, BadInputGetsOneLineAndStatusTwo) {
    const std::string good = HotPlug();
    // A capture whose channels have no names; one with zero samples; a cut archive.
    host::Capture unnamed(1'000'000);
    unnamed.Append(0, host::Levels{});
    unnamed.SetSampleCount(10);
    unnamed.SetChannelCount(3);
    host::WriteSigrok(File("unnamed.sr"), unnamed);
    {
        int error = 0;
        zip_t* zip = zip_open(File("zero.sr").c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        static const char kMeta[] =
            "[device 1]\ncapturefile=logic-1\nsamplerate=1 MHz\nprobe1=SCL\nprobe2=SDA\n";
        zip_file_add(zip, "metadata", zip_source_buffer(zip, kMeta, sizeof kMeta - 1, 0), 0);
        zip_file_add(zip, "logic-1-1", zip_source_buffer(zip, "", 0, 0), 0);
        ASSERT_EQ(zip_close(zip), 0);
    }
    const std::string archive = ReadFile(good);
    std::ofstream(File("cut.sr"), std::ios::binary) << archive.substr(0, archive.size() / 2);
    std::ofstream(File("notes.txt")) << "just some notes\n";
    std::ofstream(File("edid.bad")) << "00 FF FF\n";
    Dl_info libzip{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&zip_open), &libzip), 0);

    struct Case {
        std::vector<std::string> args;
        std::string message;  // part of the one line
    };
    const std::vector<Case> cases = {
        {{"decode", File("missing.sr")}, "missing.sr: No such file or directory"},
        {{"decode", File("notes.txt")}, "unknown format"},
        {{"decode", File("cut.sr")}, "corrupt or truncated"},
        {{"decode", File("zero.sr")}, "no samples"},
        {{"decode", File("unnamed.sr")},
         "no channel named SCL for SCL; the capture has channels 0 \"D0\", 1 \"D1\", 2 \"D2\""},
        {{"decode", good, "--scl", "5"}, "no channel 5 for SCL"},
        {{"decode", good, "--scl", "sda"}, "SCL and SDA are both channel 1"},
        {{"decode", good, "--plugin", File("nothere.so")}, "cannot load plug-in"},
        {{"decode", good, "--plugin", libzip.dli_fname}, "lacks the export GetPluginInfo"},
        {{"decode", good, "--from", "2s"}, "lies beyond the end of the capture"},
        {{"decode", good, "--from", "20ms", "--to", "10ms"}, "--from lies after --to"},
        {{"decode", good, "--format", "xml"}, "--format wants table, csv, json or raw"},
        {{"decode", good, "--packets", "--format", "raw"}, "does not go with --packets"},
        {{"decode", good, "--colour"}, "unknown option --colour"},
        {{"decode", good, good}, "exactly one capture file"},
        {{"synth", File("x.sr")}, "needs something to write"},
        {{"synth", File("x.wav"), "--hdcp"}, "cannot tell the output format"},
        {{"synth", File("x.sr"), "--hdcp", "--rate", "300kHz"}, "four times the SCL frequency"},
        {{"synth", File("x.sr"), "--edid", File("edid.bad")}, "not a whole number of 128-byte EDID blocks"},
        {{"synth", File("x.sr"), "--hdcp", "--polls", "0", "--glitches", "1000"}, "exceeds the"},
        {{"synth", File("x.sr"), "--hdcp", "--repeat", "0"}, "--repeat wants a whole number from 1"},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& a : c.args) shown += a + " ";
        SCOPED_TRACE(shown);
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.empty()) << r.out;
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
        EXPECT_TRUE(r.err.starts_with("hdmi-ddc: ")) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(File("x.sr"))) << "a failed synth writes nothing";
}

// ---- Output formats ------------------------------------------------------------------------------------

TEST_F(CliTest, RawIsTheSectionTextAndTheOtherFormatsCarryTheSameRows) {
    const std::string capture = HotPlug();
    const std::string report = SessionReport(capture, [](host::Session&, const host::Capture&) {});
    ASSERT_TRUE(report.starts_with("||000000FFFFFF"));

    const Result raw = Run({"decode", capture, "--format", "raw"});
    ASSERT_EQ(raw.status, 0) << raw.err;
    EXPECT_EQ(raw.out, report);
    EXPECT_TRUE(raw.err.empty()) << raw.err;

    host::ReportText parsed;
    parsed.lines = Lines(report);
    for (std::string& line : parsed.lines) line.pop_back();  // the CR
    const std::vector<host::ReportRow> rows = parsed.Rows();
    ASSERT_GT(rows.size(), 100u);

    // Table: a header, then one line per row whose cells start under their titles.
    const Result table = Run({"decode", capture});
    ASSERT_EQ(table.status, 0) << table.err;
    const std::vector<std::string> lines = Lines(table.out);
    ASSERT_EQ(lines.size(), rows.size() + 1);
    EXPECT_TRUE(lines[0].substr(lines[0].find_first_not_of(' ')).starts_with("Clock  Time (ms)")) << lines[0];
    const size_t nameColumn = lines[0].find("EDID Register Name");
    const size_t addressColumn = lines[0].find("Address(h)");
    ASSERT_NE(nameColumn, std::string::npos);
    EXPECT_NE(lines[0].find("Time (ms)"), std::string::npos);
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string& cell = rows[i].cells[2];
        if (cell != " ") {
            EXPECT_EQ(lines[i + 1].substr(nameColumn, cell.size()), cell) << lines[i + 1];
        }
        if (rows[i].cells[0] != " ") {
            EXPECT_EQ(lines[i + 1].substr(addressColumn, rows[i].cells[0].size()), rows[i].cells[0]);
        }
        const std::string line = lines[i + 1];
        EXPECT_TRUE(line.substr(line.find_first_not_of(' ')).starts_with(std::to_string(rows[i].clock) + " "))
            << line;
    }
    EXPECT_EQ(table.out.find('\x1b'), std::string::npos) << "no colours into a file";

    // CSV: the clock, the time in seconds, the four cells (an empty cell empty).
    const Result csv = Run({"decode", capture, "--format", "csv"});
    ASSERT_EQ(csv.status, 0);
    const std::vector<std::string> csvLines = Lines(csv.out);
    ASSERT_EQ(csvLines.size(), rows.size() + 1);
    EXPECT_EQ(csvLines[0], "Clock,Time [s],Address(h),Offset(h),EDID Register Name,EDID Data");
    const std::string firstRow = std::to_string(rows[0].clock) + ",";
    EXPECT_TRUE(csvLines[1].starts_with(firstRow)) << csvLines[1];
    EXPECT_NE(csvLines[1].find(",50(EDID),"), std::string::npos) << csvLines[1];

    // JSON: one object per row.
    const Result json = Run({"decode", capture, "--format", "json"});
    ASSERT_EQ(json.status, 0);
    size_t objects = 0;
    for (size_t at = json.out.find("{\"clock\": "); at != std::string::npos;
         at = json.out.find("{\"clock\": ", at + 1))
        ++objects;
    EXPECT_EQ(objects, rows.size());
    EXPECT_NE(json.out.find("\"complete\": true"), std::string::npos);
    EXPECT_NE(json.out.find("\"scl\": {\"channel\": 0, \"name\": \"SCL\"}"), std::string::npos);
    EXPECT_TRUE(json.out.starts_with("{\n") && json.out.ends_with("}\n"));
}

TEST_F(CliTest, ColoursFollowTheReportHeaderWhenAsked) {
    const std::string capture = HotPlug();
    const Result never = Run({"decode", capture, "--color", "never"});
    EXPECT_EQ(never.out.find('\x1b'), std::string::npos);
    const Result always = Run({"decode", capture, "--color", "always"});
    ASSERT_EQ(always.status, 0);
    // Pair 0, the address column, is filled with colour slot 4's default FFFFCC (BBGGRR).
    EXPECT_NE(always.out.find("\x1b[38;2;0;0;0m\x1b[48;2;204;255;255m 50(EDID)"), std::string::npos);
    // The clock field uses the header's fixed pair: black on white.
    EXPECT_NE(always.out.find("\x1b[38;2;0;0;0m\x1b[48;2;255;255;255m"), std::string::npos);
    EXPECT_EQ(Run({"decode", capture, "--color", "sometimes"}).status, 2);
}

TEST_F(CliTest, PacketsCarryDataConvLabelsAndColours) {
    const std::string capture = HotPlug();
    auto session = NewSession(host::ReportOutput::None);
    capture_ = host::ReadCapture(capture);
    session->SetCapture(capture_);
    ASSERT_GT(session->Analyze(), 0u);
    std::vector<host::Packet> packets = session->Packets();
    ASSERT_TRUE(packets.back().closing);
    packets.pop_back();

    const Result listed = Run({"decode", capture, "--packets"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const std::vector<std::string> lines = Lines(listed.out);
    ASSERT_EQ(lines.size(), packets.size() + 1);
    const size_t labelColumn = lines[0].find("Label");
    const size_t fillColumn = lines[0].find("Fill");
    for (size_t i = 0; i < packets.size(); ++i) {
        const host::PacketLabel label = session->Label(packets[i]);
        SCOPED_TRACE(lines[i + 1]);
        EXPECT_EQ(lines[i + 1].substr(labelColumn, label.text.size()), label.text);
        if (label.colorMode == 24) {
            char fill[8];
            std::snprintf(fill, sizeof fill, "#%02X%02X%02X", label.fillColor & 0xFF,
                          (label.fillColor >> 8) & 0xFF, (label.fillColor >> 16) & 0xFF);
            EXPECT_EQ(lines[i + 1].substr(fillColumn, 7), fill);
        }
    }
    const Result json = Run({"decode", capture, "--packets", "--format", "json"});
    EXPECT_NE(json.out.find("\"packets\": ["), std::string::npos);
    EXPECT_NE(json.out.find("\"cells\": [\"Start\", \"S\", "), std::string::npos);
}

// ---- Settings ------------------------------------------------------------------------------------------

TEST_F(CliTest, OptionsBecomeTheSettingsTheHostWritesIntoTheRecord) {
    const std::string capture = HotPlug();
    auto raw = [&](const std::vector<std::string>& options) { return RawReport(capture, options); };
    const std::string plain = raw({});
    const std::string eightBit = raw({"--8bit"});
    EXPECT_NE(eightBit, plain);
    EXPECT_EQ(eightBit, SessionReport(capture, [](host::Session& s, const host::Capture&) {
                  s.SetEightBitAddress(true);
              }));
    EXPECT_NE(eightBit.find("\"A0(EDID)\""), std::string::npos);

    EXPECT_EQ(raw({"--stats"}),
              SessionReport(capture, [](host::Session& s, const host::Capture&) { s.SetStatistics(true); }));

    // A range in time and in samples: cursors A and B at those samples, selected in the flags.
    const std::string ranged = raw({"--from", "5ms", "--to", "250000"});
    EXPECT_EQ(ranged, SessionReport(capture, [](host::Session& s, const host::Capture&) {
                  s.SetMarker(2, 50'000);  // 5 ms at 10 MHz
                  s.SetMarker(3, 250'000);
                  s.SetRange(2, 3);
              }));
    EXPECT_LT(ranged.size(), plain.size());
    EXPECT_EQ(raw({"--to", "1.5ms"}), SessionReport(capture, [](host::Session& s, const host::Capture&) {
                  s.SetMarker(3, 15'000);
                  s.SetRange(0, 3);
              }));
}

TEST_F(CliTest, KeptSettingsApplyToDecodeAndOptionsOverrideThem) {
    const std::string capture = HotPlug();
    const std::string kept = (fs::path(Config()) / "hdmi-ddc" / "settings").string();
    // What the dialog would have kept: the plug-in's defaults with 8-bit addresses and
    // statistics mode.
    {
        auto session = NewSession();
        ASSERT_EQ(session->Defaults(), 1);
        session->SetEightBitAddress(true);
        session->SetStatistics(true);
        host::SaveSettings(kept, host::StoredSettings::From(session->Context()));
    }
    auto raw = [&](const std::vector<std::string>& options) { return RawReport(capture, options); };
    const auto with = [&](bool eightBit, bool stats) {
        return SessionReport(capture, [=](host::Session& s, const host::Capture&) {
            s.SetEightBitAddress(eightBit);
            s.SetStatistics(stats);
        });
    };
    EXPECT_EQ(raw({}), with(true, true));
    EXPECT_EQ(raw({"--7bit"}), with(false, true));
    EXPECT_EQ(raw({"--no-stats"}), with(true, false));
    EXPECT_EQ(raw({"--no-settings"}), with(false, false));
    EXPECT_EQ(Run({"decode", capture, "--8bit", "--7bit"}).err,
              "hdmi-ddc: --8bit and --7bit do not go together\n");

    const Result shown = Run({"settings", "--show"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("addresses       8-bit"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("statistics      on"), std::string::npos) << shown.out;

    // A damaged file is named with its line; decode does not guess past it.
    std::ofstream(kept) << "ChannelMap=0,1\nDecodeFlags=banana\n";
    const Result damaged = Run({"decode", capture});
    EXPECT_EQ(damaged.status, 2);
    EXPECT_EQ(damaged.err, "hdmi-ddc: " + kept +
                               ": line 2: DecodeFlags wants a number from 0 to 4294967295, not \"banana\" "
                               "(hdmi-ddc settings --reset, or decode --no-settings)\n");
    EXPECT_EQ(Run({"decode", capture, "--no-settings", "--format", "raw"}).status, 0);

    const Result reset = Run({"settings", "--reset"});
    EXPECT_EQ(reset.status, 0);
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_EQ(raw({}), with(false, false));
}

TEST_F(CliTest, KeptChannelsServeCapturesWithoutNamedChannels) {
    const std::string named = HotPlug("named.csv");
    // The same capture with its channels renamed: nothing says which one is the clock.
    std::string text = ReadFile(named);
    for (auto [from, to] : {std::pair{"SCL", "D3"}, std::pair{"SDA", "D7"}})
        text.replace(text.find(from), 3, to);
    const std::string anonymous = File("anonymous.csv");
    std::ofstream(anonymous, std::ios::binary) << text;

    const Result unknown = Run({"decode", anonymous});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("or with hdmi-ddc settings"), std::string::npos) << unknown.err;

    auto session = NewSession();
    ASSERT_EQ(session->Defaults(), 1);
    host::StoredSettings settings = host::StoredSettings::From(session->Context());
    const host::Capture header = host::ReadCapture(named);
    settings.ChannelMap[0] = header.FindChannel("SCL");
    settings.ChannelMap[1] = header.FindChannel("SDA");
    host::SaveSettings((fs::path(Config()) / "hdmi-ddc" / "settings").string(), settings);
    const Result decoded = Run({"decode", anonymous, "--format", "raw"});
    EXPECT_EQ(decoded.status, 0) << decoded.err;
    EXPECT_EQ(decoded.out, Run({"decode", named, "--format", "raw"}).out);
}

TEST_F(CliTest, NoFolderForThePacketFilesIsOneLineAndStatusTwo) {
    const std::string capture = HotPlug();
    fs::remove_all(Tmp());  // TMPDIR names a folder that is not there
    const pid_t pid = Spawn({"decode", capture}, File("out.txt"), File("err.txt"));
    EXPECT_EQ(Wait(pid), 2);
    const std::string err = ReadFile(File("err.txt"));
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    EXPECT_NE(err.find("cannot create a temporary folder"), std::string::npos) << err;
    EXPECT_TRUE(ReadFile(File("out.txt")).empty());
    fs::create_directory(Tmp());
    ExpectNothingLeft(pid);
}

// Processes started while this lives may write files of at most `bytes` (ulimit -f), and a write
// past that fails instead of killing them, as on a disk that fills up part-way.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &savedAction_);
        struct rlimit limited = saved_;
        limited.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        sigaction(SIGXFSZ, &savedAction_, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    struct rlimit saved_ {};
    struct sigaction savedAction_ {};
};

// The plug-in's files cut off part-way: the packet files at a small limit, the report section at
// a larger one. One line naming the cause, status 2, nothing left behind; unlimited, it decodes.
TEST_F(CliTest, FilesCutOffPartWayAreOneLineAndStatusTwo) {
    const std::string capture = HotPlug("long.sr", {"--polls", "400"});
    struct Case {
        rlim_t limit;
        std::string says;
    };
    for (const Case& c :
         {Case{32 << 10, "the plug-in could not write its packet files: " + Tmp() + "/hdmiddc-"},
          Case{768 << 10, "the plug-in could not create its report section hdmiddc_"}}) {
        SCOPED_TRACE(c.limit);
        pid_t pid = 0;
        {
            const FileSizeLimit limited(c.limit);
            pid = Spawn({"decode", capture}, File("out.txt"), File("err.txt"));
        }
        EXPECT_EQ(Wait(pid), 2);
        const std::string err = ReadFile(File("err.txt"));
        EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_TRUE(ReadFile(File("out.txt")).empty());
        ExpectNothingLeft(pid);
    }
    EXPECT_EQ(Run({"decode", capture}).status, 0);
}

TEST_F(CliTest, TheSettingsDialogNeedsATerminal) {
    const Result r = Run({"settings"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "hdmi-ddc: the settings dialog needs a terminal (see hdmi-ddc settings --show)\n");
    EXPECT_FALSE(fs::exists(fs::path(Config()) / "hdmi-ddc"));
    EXPECT_EQ(Run({"settings", "--show"}).out, "no settings kept (" +
                                                   (fs::path(Config()) / "hdmi-ddc" / "settings").string() +
                                                   "); decode uses the plug-in's defaults\n");
}

// Sigrok sessions are decoded while they are read; the result is the one of reading the whole
// capture first, for any range and output, and a member found damaged part-way fails the decode.
TEST_F(CliTest, DecodingWhileReadingMatchesReadingWhole) {
    const std::string capture = HotPlug("long.sr", {"--polls", "40", "--glitches", "5"});
    const std::vector<std::vector<std::string>> variants = {
        {"--format", "raw"},
        {"--packets", "--format", "csv"},
        {"--format", "raw", "--from", "3ms", "--to", "9ms"},
        {"--format", "raw", "--to", "1000"},
        {"--format", "json", "--glitch", "--8bit"},
    };
    for (const auto& variant : variants) {
        std::vector<std::string> args = {"decode", capture};
        args.insert(args.end(), variant.begin(), variant.end());
        SCOPED_TRACE(args.back());
        const Result streamed = Run(args);
        args.push_back("--read-whole");
        const Result whole = Run(args);
        EXPECT_EQ(streamed.status, 0) << streamed.err;
        EXPECT_EQ(streamed.out, whole.out);
        EXPECT_GT(streamed.out.size(), 100u);
    }

    // Good first member, damaged second one: the damage shows only once decoding is under way.
    std::string first(20'000, '\x03');
    std::string second(20'000, '\x03');
    for (size_t i = 100; i < first.size(); i += 50) first[i] = '\x01';
    const std::string marker("\x00\x01\x02\x03\x02\x01\x00\x03", 8);
    second.replace(5000, marker.size(), marker);
    {
        int error = 0;
        zip_t* zip = zip_open(File("damaged.sr").c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        static const char kMeta[] =
            "[device 1]\ncapturefile=logic-1\nsamplerate=1 MHz\nprobe1=SCL\nprobe2=SDA\nunitsize=1\n";
        zip_file_add(zip, "metadata", zip_source_buffer(zip, kMeta, sizeof kMeta - 1, 0), 0);
        const std::pair<const char*, const std::string*> members[] = {{"logic-1-1", &first},
                                                                      {"logic-1-2", &second}};
        for (const auto& [name, content] : members) {
            const zip_int64_t index =
                zip_file_add(zip, name, zip_source_buffer(zip, content->data(), content->size(), 0), 0);
            zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_STORE, 0);
        }
        ASSERT_EQ(zip_close(zip), 0);
    }
    std::string bytes = ReadFile(File("damaged.sr"));
    const size_t at = bytes.find(marker);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 1] = '\x03';  // the checksum no longer matches
    std::ofstream(File("damaged.sr"), std::ios::binary) << bytes;
    const Result damaged = Run({"decode", File("damaged.sr")});
    EXPECT_EQ(damaged.status, 2);
    EXPECT_TRUE(damaged.out.empty());
    EXPECT_EQ(damaged.err.find('\n'), damaged.err.size() - 1) << damaged.err;
    EXPECT_NE(damaged.err.find("logic-1-2"), std::string::npos) << damaged.err;
}

TEST_F(CliTest, GlitchFilterRemovesSynthesizedGlitches) {
    const std::string clean =
        HotPlug("clean.sr", {"--rate", "200MHz", "--scl-freq", "400kHz", "--polls", "1"});
    const std::string glitched = HotPlug(
        "glitched.sr", {"--rate", "200MHz", "--scl-freq", "400kHz", "--polls", "1", "--glitches", "6"});
    auto cells = [&](const std::vector<std::string>& args) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::string> texts;
        for (const std::string& line : Lines(r.out))
            texts.push_back(line.substr(line.find(',', line.find(',') + 1)));
        return texts;  // the rows without clock and time, which glitches shift
    };
    const auto reference = cells({"decode", clean, "--format", "csv"});
    EXPECT_NE(cells({"decode", glitched, "--format", "csv"}), reference) << "the glitches do disturb the bus";
    EXPECT_EQ(cells({"decode", glitched, "--format", "csv", "--glitch"}), reference);
}

// ---- Interrupts ----------------------------------------------------------------------------------------

TEST_F(CliTest, AnInterruptedDecodePrintsWhatWasDecodedAndSaysSo) {
    const std::string capture = HotPlug();
    const Result full = Run({"decode", capture, "--format", "csv"});
    const Result cut = Run({"decode", capture, "--format", "csv", "--abort-after-edges", "3000"});
    EXPECT_EQ(cut.status, 130);
    EXPECT_NE(cut.err.find("interrupted: decoded samples 0 to "), std::string::npos) << cut.err;
    EXPECT_NE(cut.err.find("the output is cut short there"), std::string::npos);
    const std::vector<std::string> all = Lines(full.out);
    const std::vector<std::string> part = Lines(cut.out);
    ASSERT_GT(part.size(), 20u);
    ASSERT_LT(part.size() + 20, all.size());
    // Up to the transaction that was cut, the rows are those of the whole decode.
    for (size_t i = 1; i + 3 < part.size(); ++i) EXPECT_EQ(part[i], all[i]) << i;

    const Result json = Run({"decode", capture, "--abort-after-edges", "3000", "--format", "json"});
    EXPECT_EQ(json.status, 130);
    EXPECT_NE(json.out.find("\"complete\": false"), std::string::npos);
}

TEST_F(CliTest, CtrlCWhileWritingStopsCleanly) {
    const std::string capture = HotPlug("long.sr", {"--repeat", "4"});
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t pid = Spawn({"decode", capture, "--color", "always"}, "", File("err.txt"), pipeFds[1]);
    close(pipeFds[1]);
    // Nobody reads the pipe: the tool blocks writing once the pipe is full.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int pending = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        ioctl(pipeFds[0], FIONREAD, &pending);
        if (pending >= 60'000) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_GE(pending, 60'000) << "the tool never filled the pipe";
    kill(pid, SIGINT);
    std::string drained;
    char buffer[65536];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        drained.append(buffer, size_t(got));
    close(pipeFds[0]);
    EXPECT_EQ(Wait(pid), 130);
    EXPECT_EQ(ReadFile(File("err.txt")), "hdmi-ddc: interrupted while printing; the output is cut short\n");
    ExpectNothingLeft(pid);
}

// ---- Synthesis ------------------------------------------------------------------------------------------

TEST_F(CliTest, SynthFormatsDecodeAlikeAndLengthsAreMet) {
    const std::string sr = HotPlug("a.sr");
    const std::string vcd = HotPlug("a.vcd");
    const std::string csv = HotPlug("a.csv");
    auto rows = [&](const std::string& path) { return Run({"decode", path, "--format", "csv"}).out; };
    const std::string reference = rows(sr);
    EXPECT_NE(reference.find("(HDCP)"), std::string::npos);
    EXPECT_NE(reference.find("(SCDC)"), std::string::npos);
    EXPECT_EQ(rows(vcd), reference);
    EXPECT_EQ(rows(csv), reference);

    const Result longer = Run({"synth", File("b.sr"), "--hdcp", "--polls", "0", "--min-samples", "3000000"});
    ASSERT_EQ(longer.status, 0) << longer.err;
    const host::Capture read = host::ReadCapture(File("b.sr"));
    EXPECT_GE(read.SampleCount(), 3'000'000);
    EXPECT_LT(read.SampleCount(), 3'300'000) << "no more rounds than needed";
}

#ifdef HDMI_EXAMPLES_DIR
TEST_F(CliTest, TheExampleIsWhatItsReadmeCommandMakes) {
    const std::string example = std::string(HDMI_EXAMPLES_DIR) + "/hotplug.sr";
    const Result made = Run({"synth", File("hotplug.sr"), "--edid",
                             std::string(HDMI_EXAMPLES_DIR) + "/display.edid", "--scdc", "--hdcp"});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(ReadFile(File("hotplug.sr")), ReadFile(example)) << "examples/README.md names the command";
    const Result decoded = Run({"decode", example});
    EXPECT_EQ(decoded.status, 0) << decoded.err;
    for (const char* target : {"50(EDID)", "3A(HDCP)", "54(SCDC)"})
        EXPECT_NE(decoded.out.find(target), std::string::npos) << target;
}
#endif

}  // namespace
}  // namespace hdmi
