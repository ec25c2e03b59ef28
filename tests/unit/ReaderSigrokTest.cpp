// sigrok session files: what the writer produces reads back run for run, the reader copes with
// the layouts sessions come in, and every broken archive ends in a CaptureError, never a crash.
#include <gtest/gtest.h>
#include <zip.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "../support/TempDir.h"
#include "BusSynth.h"
#include "CaptureFile.h"
#include "SigrokFile.h"

namespace hdmi::host {
namespace {

using test::High;
using test::Runs;
using test::TempDir;

// A zip archive with the given members, written with libzip as sigrok does.
void WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members) {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, data] : members) {
        zip_source_t* source = zip_source_buffer(zip, data.data(), data.size(), 0);
        ASSERT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(zip), 0);
}

std::string Metadata(const std::string& device) {
    return "[global]\nsigrok version=0.5.2\n\n[device 1]\n" + device;
}

// Samples from a list of (count, byte) stretches, one byte per sample.
std::string Samples(std::initializer_list<std::pair<int, uint8_t>> stretches) {
    std::string bytes;
    for (const auto& [count, value] : stretches) bytes.append(size_t(count), char(value));
    return bytes;
}

// DDC traffic with one more channel toggling now and then, so that the sample width follows
// `extraChannel`.
Capture TrafficWithExtraChannel(int extraChannel) {
    BusSynth bus(4'000'000, 100'000);
    bus.start().byte(0xA0).byte(0x00);
    bus.otherChannel(extraChannel, true);
    bus.restart().byte(0xA1).read({0x00, 0xFF, 0xFF, 0x5A});
    bus.otherChannel(extraChannel, false);
    bus.stop();
    Capture capture = bus.Take();
    capture.SetChannelName(0, "SCL");
    capture.SetChannelName(1, "SDA");
    capture.SetChannelName(extraChannel, "extra");
    return capture;
}

// ---- Round trips -----------------------------------------------------------------------------------

class SigrokRoundTrip : public ::testing::TestWithParam<int> {};

// Channel counts that give samples of 1, 2, 3, 5, 8 and 16 bytes: the word-wise scanner and the
// byte-wise one.
INSTANTIATE_TEST_SUITE_P(SampleWidths, SigrokRoundTrip, ::testing::Values(3, 12, 20, 40, 63, 127));

TEST_P(SigrokRoundTrip, WrittenCaptureReadsBackRunForRun) {
    TempDir dir;
    const Capture written = TrafficWithExtraChannel(GetParam());
    SigrokWriteOptions options;
    options.chunkBytes = 1000;  // many members, runs crossing their boundaries
    WriteSigrok(dir.File("t.sr"), written, options);

    const Capture read = ReadSigrok(dir.File("t.sr"));
    EXPECT_EQ(Runs(read), Runs(written));
    EXPECT_EQ(read.SampleCount(), written.SampleCount());
    EXPECT_EQ(read.SampleRate(), 4'000'000);
    EXPECT_EQ(read.ChannelCount(), GetParam() + 1);
    EXPECT_EQ(read.FindChannel("scl"), 0);
    EXPECT_EQ(read.FindChannel("Extra"), GetParam());
    EXPECT_EQ(read.ChannelName(2), "D2");  // unnamed channels get sigrok's names
}

TEST(SigrokReader, KeepsOnlyTheSelectedChannels) {
    TempDir dir;
    const Capture written = TrafficWithExtraChannel(5);
    WriteSigrok(dir.File("t.sr"), written);
    int calls = 0;
    ReadOptions options;
    options.select = [&](const Capture& header) {
        ++calls;
        EXPECT_EQ(header.ChannelCount(), 6);
        EXPECT_EQ(header.SampleRate(), 4'000'000);
        EXPECT_EQ(header.RunCount(), 0u) << "asked before any sample is read";
        return High({0, 1});
    };
    const Capture read = ReadSigrok(dir.File("t.sr"), options);
    EXPECT_EQ(calls, 1);
    // The two changes of channel 5 fall on bus edges' samples or between them: without it the
    // capture has exactly the runs of SCL and SDA.
    size_t busRuns = 1;
    for (size_t i = 1; i < written.RunCount(); ++i) {
        const Levels a = written.RunLevels(i - 1);
        const Levels b = written.RunLevels(i);
        if (a.Get(0) != b.Get(0) || a.Get(1) != b.Get(1)) ++busRuns;
    }
    EXPECT_EQ(read.RunCount(), busRuns);
    for (size_t i = 0; i < read.RunCount(); ++i) EXPECT_FALSE(read.RunLevels(i).Get(5));
}

TEST(SigrokReader, MemoryFollowsLevelChangesNotSamples) {
    TempDir dir;
    // 24 million samples, 2000 runs.
    Capture written(24'000'000);
    for (int i = 0; i < 2000; ++i) written.Append(int64_t(i) * 12'000, High({i % 2}));
    written.SetSampleCount(24'000'000);
    written.SetChannelCount(2);
    WriteSigrok(dir.File("long.sr"), written);
    const Capture read = ReadSigrok(dir.File("long.sr"));
    EXPECT_EQ(read.SampleCount(), 24'000'000);
    EXPECT_EQ(read.RunCount(), 2000u);
    EXPECT_LT(read.MemoryBytes(), 64u * 1024);
}

TEST(SigrokReader, WritesTheSameFileForTheSameCapture) {
    TempDir dir;
    const Capture capture = TrafficWithExtraChannel(3);
    WriteSigrok(dir.File("a.sr"), capture);
    WriteSigrok(dir.File("b.sr"), capture);
    std::ifstream a(dir.File("a.sr"), std::ios::binary);
    std::ifstream b(dir.File("b.sr"), std::ios::binary);
    const std::string bytesA((std::istreambuf_iterator<char>(a)), {});
    const std::string bytesB((std::istreambuf_iterator<char>(b)), {});
    EXPECT_FALSE(bytesA.empty());
    EXPECT_EQ(bytesA, bytesB);
}

// ---- Layouts of real sessions ------------------------------------------------------------------------

TEST(SigrokReader, ReadsChunksInNumericOrderAndOldSingleMemberSessions) {
    TempDir dir;
    const std::string meta = Metadata(
        "capturefile=logic-1\ntotal probes=2\nsamplerate=1.5 MHz\nprobe1=SCL\n"
        "probe2=SDA\nunitsize=1\n");
    // Members stored out of order; chunk 10 must come after chunk 2.
    WriteZip(dir.File("chunks.sr"), {{"metadata", meta},
                                     {"logic-1-10", Samples({{4, 0x01}})},
                                     {"version", "2"},
                                     {"logic-1-2", Samples({{3, 0x02}})},
                                     {"logic-1-1", Samples({{5, 0x03}})}});
    const Capture chunks = ReadSigrok(dir.File("chunks.sr"));
    const std::vector<std::pair<int64_t, Levels>> expected = {
        {0, High({0, 1})}, {5, High({1})}, {8, High({0})}};
    EXPECT_EQ(Runs(chunks), expected);
    EXPECT_EQ(chunks.SampleCount(), 12);
    EXPECT_EQ(chunks.SampleRate(), 1'500'000);

    WriteZip(dir.File("old.sr"),
             {{"metadata", meta}, {"logic-1", Samples({{5, 0x03}, {3, 0x02}, {4, 0x01}})}, {"version", "1"}});
    EXPECT_EQ(Runs(ReadSigrok(dir.File("old.sr"))), expected);
}

TEST(SigrokReader, NamesComeFromProbesAndTheRateCanBeGivenOrOverridden) {
    TempDir dir;
    WriteZip(dir.File("t.sr"), {{"metadata", Metadata("capturefile=logic-1\ntotal probes=16\nprobe1=sda\n"
                                                      "probe2=scl\nunitsize=2\n")},
                                {"logic-1-1", std::string("\x03\x00\x01\x00", 4)}});
    EXPECT_THROW(ReadSigrok(dir.File("t.sr")), CaptureError) << "no samplerate and none given";
    ReadOptions options;
    options.sampleRate = 8'000'000;
    const Capture capture = ReadSigrok(dir.File("t.sr"), options);
    EXPECT_EQ(capture.SampleRate(), 8'000'000);
    EXPECT_EQ(capture.ChannelCount(), 16);
    EXPECT_EQ(capture.FindChannel("SDA"), 0);
    EXPECT_EQ(capture.FindChannel("SCL"), 1);
    EXPECT_EQ(capture.SampleCount(), 2);
}

// ---- Broken files ----------------------------------------------------------------------------------

struct BrokenSession {
    const char* what;
    std::vector<std::pair<std::string, std::string>> members;
    const char* message;  // part of the error text
};

TEST(SigrokReader, BrokenSessionsAreCaptureErrors) {
    const std::string good = "capturefile=logic-1\ntotal probes=2\nsamplerate=1 MHz\nunitsize=1\n";
    const std::vector<BrokenSession> cases = {
        {"no metadata", {{"logic-1-1", "\x01"}}, "no \"metadata\""},
        {"no device", {{"metadata", "[global]\n"}, {"logic-1-1", "\x01"}}, "[device 1]"},
        {"no capturefile", {{"metadata", Metadata("samplerate=1 MHz\n")}}, "no logic data"},
        {"no sample member", {{"metadata", Metadata(good)}}, "no samples"},
        {"empty sample member", {{"metadata", Metadata(good)}, {"logic-1-1", ""}}, "no samples"},
        {"unit size 0",
         {{"metadata", Metadata("capturefile=logic-1\nunitsize=0\nsamplerate=1 MHz\n")}},
         "unitsize"},
        {"unit size 17",
         {{"metadata", Metadata("capturefile=logic-1\nunitsize=17\nsamplerate=1 MHz\n")}},
         "128"},
        {"probe beyond the sample",
         {{"metadata", Metadata("capturefile=logic-1\nunitsize=1\nprobe9=X\nsamplerate=1 MHz\n")}},
         "probe9"},
        {"bad rate", {{"metadata", Metadata("capturefile=logic-1\nsamplerate=fast\n")}}, "samplerate"},
        {"half a sample",
         {{"metadata", Metadata("capturefile=logic-1\nunitsize=2\nsamplerate=1 MHz\n")},
          {"logic-1-1", "\x01\x00\x01"}},
         "truncated"},
    };
    TempDir dir;
    for (const BrokenSession& c : cases) {
        SCOPED_TRACE(c.what);
        WriteZip(dir.File("b.sr"), c.members);
        try {
            ReadSigrok(dir.File("b.sr"));
            ADD_FAILURE() << "no error";
        } catch (const CaptureError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

TEST(SigrokReader, TruncatedOrCorruptedArchivesAreCaptureErrors) {
    TempDir dir;
    WriteSigrok(dir.File("good.sr"), TrafficWithExtraChannel(3));
    std::ifstream in(dir.File("good.sr"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(bytes.size(), 200u);

    // Cut anywhere: the central directory is gone.
    for (size_t length : {size_t(10), bytes.size() / 2, bytes.size() - 10})
        EXPECT_THROW(ReadSigrok(dir.Write("cut.sr", bytes.substr(0, length))), CaptureError) << length;
    // A flipped byte inside the compressed samples: either the deflate stream or its CRC fails.
    // The data of a member follows its 30-byte local header, its name and its extra field.
    const size_t name = bytes.find("logic-1-1");
    ASSERT_NE(name, std::string::npos);
    const size_t header = name - 30;
    ASSERT_EQ(bytes.substr(header, 4), std::string("PK\x03\x04"));
    const size_t extra = uint8_t(bytes[header + 28]) | size_t(uint8_t(bytes[header + 29])) << 8;
    const size_t data = name + 9 + extra;
    std::string flipped = bytes;
    flipped[data + 5] = char(flipped[data + 5] ^ 0x55);
    EXPECT_THROW(ReadSigrok(dir.Write("flipped.sr", flipped)), CaptureError);
}

TEST(SigrokReader, StopsWhenCancelled) {
    TempDir dir;
    WriteSigrok(dir.File("t.sr"), TrafficWithExtraChannel(3));
    ReadOptions options;
    options.cancelled = [] { return true; };
    EXPECT_THROW(ReadSigrok(dir.File("t.sr"), options), ReadCancelled);
}

// ---- Recognising formats --------------------------------------------------------------------------

TEST(CaptureFormat, RecognisedByContentNotByName) {
    TempDir dir;
    WriteSigrok(dir.File("session.csv"), TrafficWithExtraChannel(3));
    std::ofstream(dir.File("dump.sr")) << "$timescale 1 ns $end\n$enddefinitions $end\n";
    std::ofstream(dir.File("export.vcd")) << "; exported\nTime [s],SCL,SDA\n0,1,1\n";
    std::ofstream(dir.File("notes.txt")) << "nothing to see here\n";
    std::ofstream(dir.File("binary.bin"), std::ios::binary) << std::string(
        "\x7F"
        "ELF\x00\x01\x02",
        7);
    std::ofstream(dir.File("empty"));
    EXPECT_EQ(DetectCaptureFormat(dir.File("session.csv")), CaptureFormat::Sigrok);
    EXPECT_EQ(DetectCaptureFormat(dir.File("dump.sr")), CaptureFormat::Vcd);
    EXPECT_EQ(DetectCaptureFormat(dir.File("export.vcd")), CaptureFormat::Csv);
    EXPECT_EQ(DetectCaptureFormat(dir.File("notes.txt")), CaptureFormat::Unknown);
    EXPECT_EQ(DetectCaptureFormat(dir.File("binary.bin")), CaptureFormat::Unknown);
    EXPECT_THROW(DetectCaptureFormat(dir.File("empty")), CaptureError);
    EXPECT_THROW(DetectCaptureFormat(dir.File("missing")), CaptureError);
    EXPECT_THROW(ReadCapture(dir.File("notes.txt")), CaptureError);
    EXPECT_EQ(ReadCapture(dir.File("session.csv")).SampleRate(), 4'000'000);
}

// ---- Numbers in files and on the command line ---------------------------------------------------------

TEST(CaptureNumbers, FrequenciesDurationsAndDecimals) {
    EXPECT_EQ(ParseFrequency("10MHz"), 10'000'000);
    EXPECT_EQ(ParseFrequency("1.5 MHz"), 1'500'000);
    EXPECT_EQ(ParseFrequency("400k"), 400'000);
    EXPECT_EQ(ParseFrequency("2 GHz"), 2'000'000'000);
    EXPECT_EQ(ParseFrequency("100000"), 100'000);
    EXPECT_EQ(ParseFrequency("0 Hz"), 0);
    EXPECT_EQ(ParseFrequency("-1MHz"), 0);
    EXPECT_EQ(ParseFrequency("MHz"), 0);
    EXPECT_EQ(ParseFrequency("ten"), 0);

    EXPECT_EQ(FormatFrequency(24'000'000), "24 MHz");
    EXPECT_EQ(FormatFrequency(12'500'000), "12500 kHz");
    EXPECT_EQ(FormatFrequency(1'000'000'000), "1 GHz");
    EXPECT_EQ(FormatFrequency(999), "999 Hz");
    EXPECT_EQ(ParseFrequency(FormatFrequency(12'500'000)), 12'500'000);

    EXPECT_EQ(ParseDurationFs("1.5ms"), 1'500'000'000'000);
    EXPECT_EQ(ParseDurationFs("20 us"), 20'000'000'000);
    EXPECT_EQ(ParseDurationFs("20\xC2\xB5s"), 20'000'000'000);
    EXPECT_EQ(ParseDurationFs("3s"), 3'000'000'000'000'000);
    EXPECT_EQ(ParseDurationFs("2e-6 s"), 2'000'000'000);
    EXPECT_EQ(ParseDurationFs("100"), -1) << "a bare number is a sample count, not a time";
    EXPECT_EQ(ParseDurationFs("-1ms"), -1);
    EXPECT_EQ(ParseDurationFs("ms"), -1);

    int64_t value = 0;
    EXPECT_TRUE(ParseScaledDecimal("0.000012345678901234", 15, value));
    EXPECT_EQ(value, 12'345'678'901);  // femtoseconds, rounded
    EXPECT_TRUE(ParseScaledDecimal("-1.25", 1, value));
    EXPECT_EQ(value, -13) << "halves round away from zero";
    EXPECT_TRUE(ParseScaledDecimal("1E3", 0, value));
    EXPECT_EQ(value, 1000);
    EXPECT_FALSE(ParseScaledDecimal("9223372036854775808", 0, value)) << "one past the largest i64";
    EXPECT_FALSE(ParseScaledDecimal("1e30", 0, value));
    EXPECT_FALSE(ParseScaledDecimal("1.2.3", 0, value));
    EXPECT_FALSE(ParseScaledDecimal(".", 0, value));
    EXPECT_FALSE(ParseScaledDecimal("1e", 0, value));
}

}  // namespace
}  // namespace hdmi::host
