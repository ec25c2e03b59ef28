// The capture model: building runs, and the edge query the plug-in walks it with.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <vector>

#include "Capture.h"

namespace hdmi::host {
namespace {

Levels Word(std::initializer_list<int> highChannels) {
    Levels levels;
    for (int channel : highChannels) levels.Set(channel, true);
    return levels;
}

struct Edge {
    Levels levels;
    int64_t next;
};

Edge Query(const Capture& capture, int64_t position) {
    Levels levels;
    levels.bytes.fill(0xEE);  // the query must overwrite all 16 bytes
    const int64_t next = capture.NextEdge(position, levels.bytes.data());
    return {levels, next};
}

// Three runs: ch0 high from 0, ch0+ch1 from 10, ch127 alone from 25; 40 samples.
Capture ThreeRuns() {
    Capture capture(1'000'000);
    capture.Append(0, Word({0}));
    capture.Append(10, Word({0, 1}));
    capture.Append(25, Word({127}));
    capture.SetSampleCount(40);
    return capture;
}

TEST(HostCapture, NextEdgeReadsTheRunAndReturnsItsEnd) {
    const Capture capture = ThreeRuns();
    EXPECT_EQ(Query(capture, 0).levels, Word({0}));
    EXPECT_EQ(Query(capture, 0).next, 10);
    EXPECT_EQ(Query(capture, 7).next, 10);  // inside a run: still the end of that run
    EXPECT_EQ(Query(capture, 10).levels, Word({0, 1}));
    EXPECT_EQ(Query(capture, 10).next, 25);
    EXPECT_EQ(Query(capture, 24).next, 25);
    // The last run has no later change: -1, with its levels filled.
    const Edge last = Query(capture, 25);
    EXPECT_EQ(last.next, -1);
    EXPECT_EQ(last.levels, Word({127}));
    EXPECT_EQ(last.levels.bytes[15], 0x80);  // channel 127 is bit 7 of byte 15
    EXPECT_EQ(Query(capture, 39).next, -1);
    // Outside the capture: clamped to its first and last sample.
    EXPECT_EQ(Query(capture, -5).levels, Word({0}));
    EXPECT_EQ(Query(capture, -5).next, 10);
    EXPECT_EQ(Query(capture, 1000).levels, Word({127}));
    EXPECT_EQ(Query(capture, 1000).next, -1);
}

TEST(HostCapture, EmptyCaptureHasNoEdges) {
    const Capture capture;
    const Edge edge = Query(capture, 0);
    EXPECT_EQ(edge.next, -1);
    EXPECT_EQ(edge.levels, Levels{});
    EXPECT_EQ(capture.SampleCount(), 0);
}

TEST(HostCapture, ForwardWalkVisitsEveryRunOnce) {
    Capture capture;
    for (int64_t i = 0; i < 1000; ++i) capture.SetLevel(i * 3 + (i % 2), int(i % 7), i % 3 != 0);
    std::vector<int64_t> walked{0};
    Levels levels;
    for (int64_t position = 0; (position = capture.NextEdge(position, levels.bytes.data())) != -1;)
        walked.push_back(position);
    std::vector<int64_t> starts;
    for (size_t run = 0; run < capture.RunCount(); ++run) starts.push_back(capture.RunStart(run));
    EXPECT_EQ(walked, starts);
}

TEST(HostCapture, RandomAccessAgreesWithALinearScan) {
    std::mt19937_64 random(7);
    Capture capture;
    int64_t position = 0;
    for (int i = 0; i < 3000; ++i) {
        capture.SetLevel(position, int(random() % 128), random() % 2 != 0);
        position += 1 + int64_t(random() % 20);
    }
    capture.SetSampleCount(position + 5);
    auto expected = [&](int64_t at) {
        size_t run = 0;
        while (run + 1 < capture.RunCount() && capture.RunStart(run + 1) <= at) ++run;
        return Edge{capture.RunLevels(run), run + 1 < capture.RunCount() ? capture.RunStart(run + 1) : -1};
    };
    // Jumps back and forth, repeats, and neighbours of the last answer, as a reader does.
    int64_t next = 0;
    for (int i = 0; i < 4000; ++i) {
        int64_t at = i % 3 == 0 ? int64_t(random() % uint64_t(position + 5)) : next;
        if (at < 0) at = 0;
        const Edge got = Query(capture, at);
        next = got.next;
        const Edge want = expected(at);
        ASSERT_EQ(got.next, want.next) << "at " << at;
        ASSERT_EQ(got.levels, want.levels) << "at " << at;
    }
}

TEST(HostCapture, AppendKeepsConsecutiveRunsDifferent) {
    Capture capture;
    capture.Append(5, Word({1}));  // the first run starts at 0 whatever the position
    EXPECT_EQ(capture.RunStart(0), 0);
    capture.Append(8, Word({1}));  // no change: no run
    EXPECT_EQ(capture.RunCount(), 1u);
    capture.Append(8, Word({2}));
    capture.Append(8, Word({3}));  // same position: replaces
    ASSERT_EQ(capture.RunCount(), 2u);
    EXPECT_EQ(capture.RunLevels(1), Word({3}));
    capture.Append(8, Word({1}));  // replaced by the levels of the run before: the two merge
    EXPECT_EQ(capture.RunCount(), 1u);
    capture.Append(12, Word({4}));
    EXPECT_THROW(capture.Append(11, Word({5})), std::invalid_argument);
    capture.SetLevel(20, 9, true);  // the other channels keep their levels
    EXPECT_EQ(capture.RunLevels(2), Word({4, 9}));
    EXPECT_THROW(capture.SetLevel(21, 128, true), std::invalid_argument);
}

TEST(HostCapture, SampleCountDefaultsToOnePastTheLastRun) {
    Capture capture;
    capture.Append(0, Word({0}));
    capture.Append(30, Word({}));
    EXPECT_EQ(capture.SampleCount(), 31);
    EXPECT_THROW(capture.SetSampleCount(30), std::invalid_argument);
    capture.SetSampleCount(31);
    EXPECT_EQ(capture.SampleCount(), 31);
}

TEST(HostCapture, ChannelNamesAndCount) {
    Capture capture;
    capture.SetChannelName(3, "SDA");
    capture.SetChannelName(1, "Scl");
    EXPECT_EQ(capture.FindChannel("scl"), 1);
    EXPECT_EQ(capture.FindChannel("SDA"), 3);
    EXPECT_EQ(capture.FindChannel("SD"), -1);
    EXPECT_EQ(capture.ChannelName(2), "");
    EXPECT_EQ(capture.ChannelName(200), "");
    EXPECT_EQ(capture.ChannelCount(), 4);
    capture.SetLevel(0, 9, true);
    EXPECT_EQ(capture.ChannelCount(), 10);
    capture.SetChannelCount(16);
    EXPECT_EQ(capture.ChannelCount(), 16);
}

TEST(HostCapture, RunsOfAFewLinesCostTwelveBytesOrLess) {
    Capture capture;
    for (int64_t i = 0; i < 200'000; ++i) capture.Append(i, Word({int(i % 4)}));
    capture.ShrinkToFit();
    EXPECT_LE(capture.MemoryBytes(), capture.RunCount() * 12 + 4096);
}

TEST(HostCapture, ManyDistinctWordsSwitchToWideStorageAndStayCorrect) {
    // More distinct level words than a 16-bit palette index can name.
    auto wordOf = [](int64_t i) {
        Levels levels;
        for (int b = 0; b < 4; ++b) levels.bytes[size_t(4 + b)] = uint8_t(i >> (8 * b));
        levels.bytes[0] = 1;  // never all zero
        return levels;
    };
    constexpr int64_t kRuns = 70'000;
    Capture capture;
    for (int64_t i = 0; i < kRuns; ++i) capture.Append(i * 2, wordOf(i));
    ASSERT_EQ(capture.RunCount(), size_t(kRuns));
    for (int64_t i : {int64_t(0), int64_t(65535), int64_t(65536), kRuns - 1}) {
        EXPECT_EQ(capture.RunLevels(size_t(i)), wordOf(i)) << i;
        const Edge edge = Query(capture, i * 2 + 1);
        EXPECT_EQ(edge.levels, wordOf(i));
        EXPECT_EQ(edge.next, i + 1 < kRuns ? i * 2 + 2 : -1);
    }
    capture.ShrinkToFit();
    EXPECT_LE(capture.MemoryBytes(), capture.RunCount() * 24 + 4096);
}

TEST(HostCapture, CopiesAreIndependent) {
    Capture original = ThreeRuns();
    Capture copy = original;
    original.Append(30, Word({5}));
    EXPECT_EQ(copy.RunCount(), 3u);
    EXPECT_EQ(Query(copy, 26).next, -1);
    EXPECT_EQ(Query(original, 26).next, 30);
}

}  // namespace
}  // namespace hdmi::host
