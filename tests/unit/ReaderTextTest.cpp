// The text capture formats (VCD, CSV) and EDID files: what the writers produce reads back, the
// variants other software writes are understood, and mistakes are reported with their line.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "../support/TempDir.h"
#include "BusSynth.h"
#include "CaptureFile.h"
#include "CsvFile.h"
#include "EdidFile.h"
#include "VcdFile.h"

namespace hdmi::host {
namespace {

using test::High;
using test::Runs;
using test::TempDir;

Capture Traffic(int64_t rate) {
    BusSynth bus(rate, 100'000);
    ddc::EdidRead(bus, std::vector<uint8_t>{0x00, 0xFF, 0x12, 0x80});
    bus.otherChannel(2, true);  // a third channel, changing once
    Capture capture = bus.Take();
    capture.SetChannelName(0, "SCL");
    capture.SetChannelName(1, "SDA");
    capture.SetChannelName(2, "HPD");
    return capture;
}

// The error text of `read`, or "" when it did not throw.
template <class Read>
std::string ErrorOf(Read&& read) {
    try {
        read();
    } catch (const CaptureError& error) {
        return error.what();
    }
    return "";
}

// ---- VCD -------------------------------------------------------------------------------------------

TEST(VcdFile, RoundTripKeepsRunsWhenThePeriodIsATimescale) {
    TempDir dir;
    for (int64_t rate : {10'000'000, 1'000'000, 100'000'000}) {
        SCOPED_TRACE(rate);
        const Capture written = Traffic(rate);
        WriteVcd(dir.File("t.vcd"), written);
        const Capture read = ReadVcd(dir.File("t.vcd"));
        EXPECT_EQ(read.SampleRate(), rate);
        EXPECT_EQ(Runs(read), Runs(written));
        EXPECT_EQ(read.SampleCount(), written.SampleCount());
        EXPECT_EQ(read.FindChannel("hpd"), 2);
    }
}

TEST(VcdFile, OtherRatesKeepTheirTimesToThePicosecond) {
    TempDir dir;
    // 4 MHz is 250 ns: written in 10 ns ticks. 3 MHz has no exact period: written in ps.
    for (int64_t rate : {4'000'000, 3'000'000}) {
        SCOPED_TRACE(rate);
        const Capture written = Traffic(rate);
        WriteVcd(dir.File("t.vcd"), written);
        const Capture read = ReadVcd(dir.File("t.vcd"));
        ASSERT_EQ(read.RunCount(), written.RunCount());
        for (size_t i = 0; i < read.RunCount(); ++i) {
            const long double writtenPs = (long double)written.RunStart(i) * 1e12L / rate;
            const long double readPs = (long double)read.RunStart(i) * 1e12L / read.SampleRate();
            EXPECT_NEAR(double(readPs), double(writtenPs), 0.5) << "run " << i;
            EXPECT_EQ(read.RunLevels(i), written.RunLevels(i));
        }
    }
}

TEST(VcdFile, ReadsWhatSimulatorsAndAnalyzersWrite) {
    TempDir dir;
    const std::string path = dir.Write("sim.vcd", R"($date today $end
$version some simulator $end
$comment a comment
  over lines $end
$timescale 10ps $end
$scope module top $end
$var wire 8 # bus [7:0] $end
$var wire 1 !! scl $end
$scope module dut $end
$var reg 1 " sda $end
$var wire 1 " sda_copy $end
$upscope $end
$upscope $end
$enddefinitions $end
#0
$dumpvars
bxxxxxxxx #
z!!
x"
$end
#100
0"
b00001111 #
#150
$comment ignored $end
0!!
#150
1"
#400
)");
    const Capture capture = ReadVcd(path);
    EXPECT_EQ(capture.SampleRate(), 100'000'000'000) << "10 ps ticks";
    EXPECT_EQ(capture.ChannelCount(), 3) << "the 8-bit bus is no channel";
    EXPECT_EQ(capture.ChannelName(0), "scl");
    EXPECT_EQ(capture.FindChannel("SDA"), 1);
    EXPECT_EQ(capture.ChannelName(2), "sda_copy");
    // x and z read high; an identifier shared by two variables drives both channels; two
    // blocks of the same time stamp make one run.
    const std::vector<std::pair<int64_t, Levels>> expected = {
        {0, High({0, 1, 2})}, {100, High({0})}, {150, High({1, 2})}};
    EXPECT_EQ(Runs(capture), expected);
    EXPECT_EQ(capture.SampleCount(), 401);
}

TEST(VcdFile, KeepsOnlySelectedChannelsAndMistakesNameTheirLine) {
    TempDir dir;
    const std::string header =
        "$timescale 1 us $end\n$var wire 1 a SCL $end\n$var wire 1 b SDA $end\n"
        "$var wire 1 c CLK $end\n$enddefinitions $end\n";
    ReadOptions options;
    options.select = [](const Capture& h) {
        EXPECT_EQ(h.SampleRate(), 1'000'000);
        return High({0, 1});
    };
    const Capture kept =
        ReadVcd(dir.Write("k.vcd", header + "#0\n1a\n1b\n0c\n#1\n1c\n#2\n0c\n#3\n0a\n#4\n"), options);
    const std::vector<std::pair<int64_t, Levels>> expected = {{0, High({0, 1})}, {3, High({1})}};
    EXPECT_EQ(Runs(kept), expected) << "the clock channel's changes cost nothing";

    // Mistakes name their line or their cause.
    const std::pair<std::string, const char*> mistakes[] = {
        {header + "#0\n1a\n#5\n0a\n#3\n", "e.vcd:10:"},
        {header + "#0\n1q\n", "unknown identifier"},
        {header + "#0\n7a\n", "cannot read"},
        {"$timescale 3 ns $end\n$enddefinitions $end\n", "timescale"},
        {"$timescale 1 ns $end\n$var wire 1 a x $end\n", "$enddefinitions"},
        {"$var wire 4 a x $end\n$enddefinitions $end\n#0\n", "no one-bit"},
        {header, "no samples"},
        {header + "#0\n1a\n#12345678901234567890\n", "bad time stamp"},
    };
    for (const auto& [content, message] : mistakes)
        EXPECT_NE(ErrorOf([&] { ReadVcd(dir.Write("e.vcd", content)); }).find(message), std::string::npos)
            << message;
}

// ---- CSV -------------------------------------------------------------------------------------------

TEST(CsvFile, RoundTripKeepsRunsWithTheRateComment) {
    TempDir dir;
    for (int64_t rate : {24'000'000, 1'000'000}) {
        SCOPED_TRACE(rate);
        const Capture written = Traffic(rate);
        WriteCsv(dir.File("t.csv"), written);
        const Capture read = ReadCsv(dir.File("t.csv"));
        EXPECT_EQ(read.SampleRate(), rate);
        EXPECT_EQ(Runs(read), Runs(written));
        EXPECT_EQ(read.SampleCount(), written.SampleCount());
        EXPECT_EQ(read.ChannelName(2), "HPD");
    }
}

TEST(CsvFile, WithoutARateTheStepIsTheLargestCommonOne) {
    TempDir dir;
    // Times that are all multiples of 40 ns from the first, which is negative (pre-trigger).
    const std::string path = dir.Write("export.csv",
                                       "Time [s],Channel 0,Channel 1\r\n"
                                       "-0.000000080,1,1\r\n"
                                       "0.000000000,1,0\r\n"
                                       "0.000000120,0,0\r\n"
                                       "0.000000120,0,1\r\n"
                                       "0.000001000,1,1\r\n");
    const Capture capture = ReadCsv(path);
    EXPECT_EQ(capture.SampleRate(), 25'000'000);
    const std::vector<std::pair<int64_t, Levels>> expected = {
        {0, High({0, 1})}, {2, High({0})}, {5, High({1})}, {27, High({0, 1})}};
    EXPECT_EQ(Runs(capture), expected) << "the later of two rows with one time wins";
    EXPECT_EQ(capture.SampleCount(), 28);
    EXPECT_EQ(capture.FindChannel("channel 1"), 1);
}

TEST(CsvFile, UnitsSeparatorsAndSampleNumbers) {
    TempDir dir;
    // Semicolons with decimal commas, microseconds, quoted titles, L/H levels.
    const Capture micro =
        ReadCsv(dir.Write("eu.csv", "\"Time (us)\";\"SCL\";\"SDA\"\n0,0;1;1\n2,5;L;H\n5,0;low;high\n"));
    EXPECT_EQ(micro.SampleRate(), 400'000);
    const std::vector<std::pair<int64_t, Levels>> microRuns = {{0, High({0, 1})}, {1, High({1})}};
    EXPECT_EQ(Runs(micro), microRuns);
    EXPECT_EQ(micro.SampleCount(), 3);

    // Sample numbers need a rate: from a comment line, or from the options.
    const std::string body = "Sample,SCL,SDA\n100,1,1\n103,0,1\n110,0,0\n";
    EXPECT_NE(ErrorOf([&] { ReadCsv(dir.Write("n.csv", body)); }).find("--rate"), std::string::npos);
    const Capture commented = ReadCsv(dir.Write("c.csv", "; Samplerate: 2 MHz\n" + body));
    EXPECT_EQ(commented.SampleRate(), 2'000'000);
    const std::vector<std::pair<int64_t, Levels>> sampleRuns = {
        {0, High({0, 1})}, {3, High({1})}, {10, High({})}};
    EXPECT_EQ(Runs(commented), sampleRuns);
    ReadOptions options;
    options.sampleRate = 5'000'000;
    EXPECT_EQ(ReadCsv(dir.Write("n.csv", body), options).SampleRate(), 5'000'000);
}

TEST(CsvFile, MistakesNameTheirLine) {
    TempDir dir;
    const std::string header = "Time [s],SCL,SDA\n";
    auto error = [&](const std::string& content) {
        return ErrorOf([&] { ReadCsv(dir.Write("e.csv", content)); });
    };
    EXPECT_NE(error(header + "0,1,1\n0.1,1,2\n").find("e.csv:3:"), std::string::npos);
    EXPECT_NE(error(header + "0,1,1\n0.1,1,2\n").find("not a level"), std::string::npos);
    EXPECT_NE(error(header + "0,1,1\n0.1,1\n").find("expected 3 columns"), std::string::npos);
    EXPECT_NE(error(header + "0.2,1,1\n0.1,1,0\n").find("backwards"), std::string::npos);
    EXPECT_NE(error(header + "zero,1,1\n").find("cannot read the time"), std::string::npos);
    EXPECT_NE(error("Voltage,SCL,SDA\n0,1,1\n").find("neither a time"), std::string::npos);
    EXPECT_NE(error("; only comments\n").find("no header"), std::string::npos);
    EXPECT_NE(error(header).find("no samples"), std::string::npos);
}

// ---- EDID files ------------------------------------------------------------------------------------

TEST(EdidFile, HexTextInItsCommonSpellings) {
    std::string block;
    for (int i = 0; i < 128; ++i)
        block += (i % 16 ? " " : "\n") + std::string(1, "0123456789ABCDEF"[i % 16]) + "0";
    const std::vector<uint8_t> plain = ParseEdidHex(block, "plain");
    ASSERT_EQ(plain.size(), 128u);
    EXPECT_EQ(plain[1], 0x10);
    EXPECT_EQ(plain[127], 0xF0);

    const std::vector<uint8_t> dump = ParseEdidHex(
        "# comment 12 34\n00000000: 00ff ffff  # more\n"
        "0x12,0x34 ,AbCd\n",
        "dump");
    const std::vector<uint8_t> expected = {0x00, 0xFF, 0xFF, 0xFF, 0x12, 0x34, 0xAB, 0xCD};
    EXPECT_EQ(dump, expected);

    EXPECT_NE(ErrorOf([] { ParseEdidHex("00 11\n22 333\n", "odd"); }).find("odd:2:"), std::string::npos);
    EXPECT_NE(ErrorOf([] { ParseEdidHex("00 GG\n", "bad"); }).find("\"GG\""), std::string::npos);
}

TEST(EdidFile, BinaryOrTextWholeBlocksOnly) {
    TempDir dir;
    std::string binary(256, '\0');
    binary[1] = char(0xFF);
    binary[255] = char(0x42);
    const std::vector<uint8_t> raw = ReadEdidFile(dir.Write("raw.bin", binary));
    ASSERT_EQ(raw.size(), 256u);
    EXPECT_EQ(raw[255], 0x42);

    std::string text;
    for (int i = 0; i < 128; ++i) text += "7E ";
    EXPECT_EQ(ReadEdidFile(dir.Write("edid.txt", text)).size(), 128u);

    EXPECT_NE(ErrorOf([&] { ReadEdidFile(dir.Write("short.bin", binary.substr(0, 100))); }).find("128-byte"),
              std::string::npos);
    EXPECT_NE(ErrorOf([&] { ReadEdidFile(dir.Write("empty.txt", "# nothing\n")); }).find("empty"),
              std::string::npos);
    EXPECT_NE(ErrorOf([&] { ReadEdidFile(dir.File("missing")); }).find("missing"), std::string::npos);
}

}  // namespace
}  // namespace hdmi::host
