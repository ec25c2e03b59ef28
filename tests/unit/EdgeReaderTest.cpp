// The edge reader: unwatched channels, the glitch filter and its rate threshold, range ends.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "i2c/EdgeReader.h"

namespace hdmi {
namespace {

// Runs of byte 0 of the level word (channels 0..7), as a host keeps them.
struct Runs {
    std::vector<std::pair<int64_t, uint8_t>> runs;  // start, levels
    int64_t samples = 0;
    int calls = 0;
};
Runs* gRuns = nullptr;

int64_t NextEdgeFromRuns(int64_t position, uint8_t* levels) {
    ++gRuns->calls;
    std::memset(levels, 0, kLevelBytes);
    size_t i = 0;
    while (i + 1 < gRuns->runs.size() && gRuns->runs[i + 1].first <= position) ++i;
    levels[0] = gRuns->runs[i].second;
    return i + 1 < gRuns->runs.size() ? gRuns->runs[i + 1].first : -1;
}

class EdgeReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        gRuns = &runs_;
        std::memset(&host_, 0, sizeof host_);
        host_.NextEdge = NextEdgeFromRuns;
    }
    void TearDown() override { gRuns = nullptr; }

    // Reads every edge with SCL on channel 0 and SDA on channel 1.
    std::vector<std::pair<int64_t, uint8_t>> Edges(bool glitchFilter) {
        host_.MarkerPositions[0] = runs_.samples;
        CEdgeReader reader;
        reader.Open(host_, 0, runs_.samples - 1);
        reader.ClearMask();
        reader.WatchChannel(0);
        reader.WatchChannel(1);
        reader.SetGlitchFilter(glitchFilter, 1);
        LevelWord levels;
        reader.Seek(0, &levels);
        std::vector<std::pair<int64_t, uint8_t>> edges;
        int64_t position = 0;
        while (reader.ReadEdge(&position, &levels)) edges.emplace_back(position, levels.bytes[0]);
        EXPECT_FALSE(reader.ReadEdge(&position, &levels));  // stays ended
        return edges;
    }

    Runs runs_;
    HostDecodeContext host_;
};

using EdgeList = std::vector<std::pair<int64_t, uint8_t>>;

TEST_F(EdgeReaderTest, ChangesOnOtherChannelsAreNeverDelivered) {
    runs_.runs = {{0, 0x03}, {10, 0x07}, {20, 0x03}, {30, 0x01}, {40, 0x81}};
    runs_.samples = 50;
    // The final run is delivered as the end of the data even though only channel 7 changed there.
    EXPECT_EQ(Edges(false), (EdgeList{{30, 0x01}, {40, 0x81}}));
}

TEST_F(EdgeReaderTest, OneSamplePulseOnSdaIsDroppedOnlyWithTheFilter) {
    runs_.runs = {{0, 0x03}, {10, 0x01}, {11, 0x03}, {20, 0x02}};
    runs_.samples = 30;
    EXPECT_EQ(Edges(false), (EdgeList{{10, 0x01}, {11, 0x03}, {20, 0x02}}));
    // The run after the glitch is delivered with the levels from before it: no change at all.
    EXPECT_EQ(Edges(true), (EdgeList{{11, 0x03}, {20, 0x02}}));
}

TEST_F(EdgeReaderTest, PulsesOnSclAndTwoSamplePulsesAreAlwaysEdges) {
    runs_.runs = {{0, 0x03}, {10, 0x02}, {11, 0x03}, {20, 0x01}, {22, 0x03}};
    runs_.samples = 30;
    EXPECT_EQ(Edges(true), (EdgeList{{10, 0x02}, {11, 0x03}, {20, 0x01}, {22, 0x03}}));
}

TEST_F(EdgeReaderTest, TheLastRunIsDeliveredOnceWhenTheDataEndsInsideTheRange) {
    runs_.runs = {{0, 0x03}, {5, 0x01}};
    runs_.samples = 100;
    EXPECT_EQ(Edges(false), (EdgeList{{5, 0x01}}));
}

TEST_F(EdgeReaderTest, RangeIsNarrowedToTheValidSamples) {
    runs_.runs = {{0, 0x03}, {5, 0x01}, {15, 0x03}, {25, 0x01}};
    runs_.samples = 40;
    host_.ValidFirstSample = 10;
    host_.ValidLastSample = 20;
    CEdgeReader reader;
    reader.Open(host_, 0, 39);
    EXPECT_EQ(reader.FirstSample(), 10);
    EXPECT_EQ(reader.LastSample(), 20);
    reader.ClearMask();
    reader.WatchChannel(0);
    reader.WatchChannel(1);
    LevelWord levels;
    EXPECT_TRUE(reader.Seek(0, &levels));
    EXPECT_EQ(levels.bytes[0], 0x01);  // read at the first valid sample
    int64_t position = 0;
    ASSERT_TRUE(reader.ReadEdge(&position, &levels));
    EXPECT_EQ(position, 15);
    EXPECT_FALSE(reader.ReadEdge(&position, &levels));  // 25 lies past the range
    // Seek past the range end reads nothing.
    const int calls = runs_.calls;
    EXPECT_FALSE(reader.Seek(21, &levels));
    EXPECT_EQ(runs_.calls, calls);
}

TEST_F(EdgeReaderTest, AHostThatDoesNotMoveForwardEndsTheData) {
    host_.NextEdge = [](int64_t position, uint8_t* levels) -> int64_t {
        std::memset(levels, 0, kLevelBytes);
        return position;  // would spin for ever if believed
    };
    host_.MarkerPositions[0] = 100;
    CEdgeReader reader;
    reader.Open(host_, 0, 99);
    LevelWord levels;
    int64_t position = 0;
    reader.Seek(0, &levels);
    EXPECT_FALSE(reader.ReadEdge(&position, &levels));
}

}  // namespace
}  // namespace hdmi
