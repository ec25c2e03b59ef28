// Decoding while reading: runs pushed on one thread, edges walked on another through a bounded
// window, answering exactly as the whole capture in memory would.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <thread>

#include "../support/TempDir.h"
#include "BusSynth.h"
#include "CaptureFile.h"
#include "CsvFile.h"
#include "RunStream.h"
#include "SigrokFile.h"
#include "VcdFile.h"

namespace hdmi::host {
namespace {

Capture Traffic() {
    BusSynth bus(1'000'000, 100'000);
    std::vector<uint8_t> block(64);
    for (size_t i = 0; i < block.size(); ++i) block[i] = uint8_t(i * 29 + 3);
    for (int repeat = 0; repeat < 20; ++repeat) ddc::EdidRead(bus, block).idle(100'000);
    return bus.Take();
}

// Pushes the capture's runs as a reader would: each part of the file starting with its levels
// again, changed or not.
void Produce(const Capture& capture, RunStream& stream) {
    try {
        for (size_t run = 0; run < capture.RunCount(); ++run) {
            if (run % 100 == 0 && run > 0) stream.Push(capture.RunStart(run) - 1, capture.RunLevels(run - 1));
            stream.Push(capture.RunStart(run), capture.RunLevels(run));
        }
        stream.Close();
    } catch (const ReadCancelled&) {
    }
}

TEST(RunStreamTest, AnswersAsTheCaptureInMemoryDoes) {
    const Capture capture = Traffic();
    ASSERT_GT(capture.RunCount(), 10'000u);  // several windows' worth
    RunStream stream(capture.SampleRate(), capture.SampleCount(), 2048);
    std::thread producer([&] { Produce(capture, stream); });
    // Forward queries at the edges and between them, as the plug-in's reader makes them.
    std::mt19937 random(5);
    int64_t position = 0;
    for (;;) {
        uint8_t fromStream[16];
        uint8_t fromCapture[16];
        const int64_t next = stream.NextEdge(position, fromStream);
        ASSERT_EQ(next, capture.NextEdge(position, fromCapture)) << position;
        ASSERT_EQ(0, std::memcmp(fromStream, fromCapture, 16)) << position;
        if (next < 0) break;
        position = (random() % 4 == 0 && next - position > 2) ? position + 1 : next;
    }
    producer.join();
    EXPECT_FALSE(stream.WentBack());
    EXPECT_EQ(stream.Error(), nullptr);
    EXPECT_LE(stream.PeakHeld(), 2048u);
}

TEST(RunStreamTest, StoppingReleasesAReaderWaitingForRoom) {
    const Capture capture = Traffic();
    RunStream stream(capture.SampleRate(), capture.SampleCount(), 2048);
    std::thread producer([&] { Produce(capture, stream); });
    uint8_t levels[16];
    int64_t position = 0;
    for (int i = 0; i < 100; ++i) position = stream.NextEdge(position, levels);
    stream.Stop();  // the decode needs no more (its range ended): the reader must not hang
    producer.join();
    EXPECT_EQ(stream.NextEdge(position, levels), -1);
}

TEST(RunStreamTest, AReadErrorEndsTheStreamAndIsKept) {
    RunStream stream(1'000'000, 1'000);
    Levels high;
    high.Set(0, true);
    std::thread producer([&] {
        stream.Push(0, high);
        stream.Push(10, Levels{});
        stream.Close(std::make_exception_ptr(CaptureError("corrupt sample data")));
    });
    uint8_t levels[16];
    EXPECT_EQ(stream.NextEdge(0, levels), 10);
    EXPECT_EQ(levels[0], 1);
    EXPECT_EQ(stream.NextEdge(10, levels), -1);  // what came before the error, then the end
    producer.join();
    ASSERT_NE(stream.Error(), nullptr);
    EXPECT_THROW(std::rethrow_exception(stream.Error()), CaptureError);
}

TEST(RunStreamTest, AQueryBehindTheStreamIsNoted) {
    RunStream stream(1'000'000, 1'000);
    Levels high;
    high.Set(0, true);
    stream.Push(0, high);
    stream.Push(10, Levels{});
    stream.Push(20, high);
    stream.Close();
    uint8_t levels[16];
    EXPECT_EQ(stream.NextEdge(15, levels), 20);
    EXPECT_FALSE(stream.WentBack());
    stream.NextEdge(5, levels);
    EXPECT_TRUE(stream.WentBack());
}

// Every format hands its runs over when asked: sigrok sessions as they are read, the others after
// a whole read; either way the runs, names and length are those of the whole capture.
TEST(RunStreamTest, EveryFormatCanBeReadAsRuns) {
    Capture original = Traffic();
    original.SetChannelName(0, "SCL");
    original.SetChannelName(1, "SDA");
    test::TempDir dir;
    WriteSigrok(dir.File("t.sr"), original);
    WriteVcd(dir.File("t.vcd"), original);
    WriteCsv(dir.File("t.csv"), original);
    for (const char* name : {"t.sr", "t.vcd", "t.csv"}) {
        SCOPED_TRACE(name);
        const Capture whole = ReadCapture(dir.File(name));
        Capture streamed;
        int counted = 0;
        ReadOptions options;
        options.counted = [&](const Capture& header, int64_t samples) {
            ++counted;
            EXPECT_EQ(header.RunCount(), 0u);
            streamed = header;
            streamed.SetSampleCount(samples);
        };
        options.run = [&](int64_t position, const Levels& levels) { streamed.Append(position, levels); };
        const Capture header = ReadCapture(dir.File(name), options);
        EXPECT_EQ(counted, 1);
        EXPECT_EQ(header.RunCount(), 0u);
        EXPECT_EQ(header.SampleCount(), whole.SampleCount());
        EXPECT_EQ(header.FindChannel("SDA"), whole.FindChannel("SDA"));
        ASSERT_EQ(streamed.RunCount(), whole.RunCount());
        for (size_t run = 0; run < whole.RunCount(); ++run) {
            ASSERT_EQ(streamed.RunStart(run), whole.RunStart(run));
            ASSERT_EQ(streamed.RunLevels(run), whole.RunLevels(run));
        }
    }
}

}  // namespace
}  // namespace hdmi::host
