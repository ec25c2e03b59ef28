// The bus synthesizer, checked with a small independent I2C reader (not the plug-in's decoder):
// every primitive puts on the lines what it claims, timing never drifts, glitches are one sample.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "BusSynth.h"

namespace hdmi::host {
namespace {

constexpr int kScl = 0;
constexpr int kSda = 1;

struct Change {
    int64_t sample;
    Levels before;
    Levels after;
};

std::vector<Change> Changes(const Capture& capture) {
    std::vector<Change> changes;
    Levels levels;
    Levels previous;
    int64_t position = 0;
    int64_t next = capture.NextEdge(0, previous.bytes.data());
    while (next != -1) {
        position = next;
        next = capture.NextEdge(position, levels.bytes.data());
        changes.push_back({position, previous, levels});
        previous = levels;
    }
    return changes;
}

// The bus as text: "S", "Sr", "P", and each byte as two hex digits with '+' for ACK and '-' for
// NACK. Bits are read at SCL rises; SDA moving while SCL is high is a start or a stop.
std::string Read(const Capture& capture, int scl = kScl, int sda = kSda) {
    std::string out;
    bool inTransfer = false;
    int bits = 0;
    unsigned value = 0;
    auto token = [&](const std::string& text) { out += (out.empty() ? "" : " ") + text; };
    for (const Change& c : Changes(capture)) {
        const bool sclWas = c.before.Get(scl), sclNow = c.after.Get(scl);
        const bool sdaWas = c.before.Get(sda), sdaNow = c.after.Get(sda);
        if (sclWas != sclNow && sdaWas != sdaNow) {
            token("?");  // both at once: no reading of this is right
            continue;
        }
        if (sclNow && sclWas && sdaWas != sdaNow) {
            if (!sdaNow) {
                token(inTransfer ? "Sr" : "S");
                inTransfer = true;
            } else {
                token("P");
                inTransfer = false;
            }
            bits = 0;
            value = 0;
        } else if (!sclWas && sclNow) {
            if (bits < 8) {
                value = (value << 1) | unsigned(c.after.Get(sda));
                ++bits;
            } else {
                char text[8];
                snprintf(text, sizeof text, "%02X%c", value, c.after.Get(sda) ? '-' : '+');
                token(text);
                bits = 0;
                value = 0;
            }
        }
    }
    return out;
}

// Samples of every rising edge of `channel`.
std::vector<int64_t> Rises(const Capture& capture, int channel) {
    std::vector<int64_t> rises;
    for (const Change& c : Changes(capture))
        if (!c.before.Get(channel) && c.after.Get(channel)) rises.push_back(c.sample);
    return rises;
}

// The bytes and conditions of each primitive, the acknowledge levels of byte/write/read, and a
// start while a transfer is open read as a repeated start.
TEST(HostSynth, PrimitivesPutTheClaimedBitsOnTheBus) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0).byte(0x00).restart().byte(0xA1).read({0x00, 0xFF, 0x5A}).stop();
    EXPECT_EQ(Read(bus.Build()), "S A0+ 00+ Sr A1+ 00+ FF+ 5A- P");
    BusSynth acks(2'000'000, 100'000);
    acks.start().byte(0x74, false).write({0x10, 0x11}).read({0x80}).byte(0x01, true).stop();
    EXPECT_EQ(Read(acks.Build()), "S 74- 10+ 11+ 80- 01+ P");
    BusSynth starts(1'000'000, 100'000);
    starts.start().byte(0xA8).start().byte(0xA9).stop().start().byte(0x60).stop();
    EXPECT_EQ(Read(starts.Build()), "S A8+ Sr A9+ P S 60+ P");
}

TEST(HostSynth, CaptureOpensWithAnIdleBusAndEndsWithAnIdleTail) {
    const Capture capture = BusSynth(1'000'000, 100'000).start().byte(0x50).stop().Build();
    EXPECT_TRUE(capture.Level(0, kScl));
    EXPECT_TRUE(capture.Level(0, kSda));
    EXPECT_EQ(capture.RunStart(1), 10);  // START one SCL period (10 samples) in
    const size_t last = capture.RunCount() - 1;
    EXPECT_TRUE(capture.RunLevels(last).Get(kScl));
    EXPECT_TRUE(capture.RunLevels(last).Get(kSda));
    EXPECT_GE(capture.SampleCount() - capture.RunStart(last), 10);
    EXPECT_EQ(capture.SampleRate(), 1'000'000);
}

TEST(HostSynth, SdaChangesOnlyWhileSclIsLowInsideBytes) {
    BusSynth bus(3'000'000, 400'000);
    bus.start();
    for (int i = 0; i < 64; ++i) bus.byte(uint8_t(i * 37), i % 5 != 0);
    bus.stop();
    int conditions = 0;
    for (const Change& c : Changes(bus.Build()))
        if (c.before.Get(kSda) != c.after.Get(kSda) && c.before.Get(kScl) && c.after.Get(kScl)) ++conditions;
    EXPECT_EQ(conditions, 2);  // the START and the STOP, nothing else
}

// Every SCL rise of a long run of bytes stays within one sample of its exact time: rounding
// errors are not carried into the next edge.
void ExpectNoDrift(int64_t rate, int64_t sclHz) {
    BusSynth bus(rate, sclHz);
    bus.start();
    for (int i = 0; i < 1000; ++i) bus.byte(uint8_t(i), true);
    const std::vector<int64_t> rises = Rises(bus.Build(), kScl);
    ASSERT_EQ(rises.size(), 9000u);
    const double samplesPerBit = double(rate) / double(sclHz);
    for (size_t k = 0; k < rises.size(); ++k) {
        const double drift = double(rises[k] - rises[0]) - double(k) * samplesPerBit;
        ASSERT_LE(std::abs(drift), 1.0) << "bit " << k << " at " << rate << " S/s, " << sclHz << " Hz";
    }
    for (size_t k = 1; k < rises.size(); ++k) {
        const int64_t spacing = rises[k] - rises[k - 1];
        ASSERT_TRUE(spacing == int64_t(std::floor(samplesPerBit)) ||
                    spacing == int64_t(std::ceil(samplesPerBit)))
            << "spacing " << spacing << " at bit " << k;
    }
}

TEST(HostSynth, TimingDoesNotDrift) {
    ExpectNoDrift(1'000'000, 100'000);  // whole samples: 10 per bit
    ExpectNoDrift(3'000'000, 400'000);  // 7.5 samples per bit, quarter periods of 1.875
    ExpectNoDrift(7'000'000, 333'333);  // an irrational-looking ratio
    ExpectNoDrift(1'600'000, 400'000);  // the slowest rate allowed: one sample per quarter
}

TEST(HostSynth, IdleAdvancesExactlyTheGivenTime) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0).stop();
    const int64_t before = bus.Now();
    bus.idle(1'234'000);
    EXPECT_EQ(bus.Now() - before, 1234);
    bus.idle(333).idle(333).idle(334);  // 1 us in three steps, each below one sample
    EXPECT_EQ(bus.Now() - before, 1235);
}

// The run at `sample` is a one-sample pulse of `channel` alone, with quiet samples around it.
void ExpectGlitchAt(const Capture& capture, int64_t sample, int channel) {
    const size_t run = capture.RunAt(sample);
    ASSERT_EQ(capture.RunStart(run), sample);
    ASSERT_GT(run, 0u);
    ASSERT_LT(run + 1, capture.RunCount());
    EXPECT_EQ(capture.RunStart(run + 1), sample + 1) << "the pulse lasts one sample";
    EXPECT_EQ(capture.RunLevels(run),
              capture.RunLevels(run - 1).With(channel, !capture.RunLevels(run - 1).Get(channel)));
    EXPECT_EQ(capture.RunLevels(run + 1), capture.RunLevels(run - 1));
    EXPECT_GE(sample - capture.RunStart(run - 1), 1);
    const int64_t after = run + 2 < capture.RunCount() ? capture.RunStart(run + 2) : capture.SampleCount();
    EXPECT_GE(after - (sample + 1), 1) << "the line rests before the next edge";
}

TEST(HostSynth, GlitchesAreOneSamplePulses) {
    for (int64_t rate : {int64_t(1'000'000), int64_t(3'000'000), int64_t(200'000'000)}) {
        SCOPED_TRACE(rate);
        BusSynth bus(rate, 100'000);
        bus.start();
        const int64_t first = bus.Now();
        bus.glitchSda();  // exactly where the first data bit is about to change SDA
        bus.byte(0x55);
        const int64_t second = bus.Now();
        bus.glitchScl().glitchScl();  // two in a row stay apart
        const Capture capture = bus.byte(0xAA).stop().Build();
        ExpectGlitchAt(capture, first, kSda);
        ExpectGlitchAt(capture, second, kScl);
        ExpectGlitchAt(capture, second + 2, kScl);
    }
}

TEST(HostSynth, GlitchRightAfterAnEdgeWaitsOneSample) {
    // One sample per quarter; the glitch is asked for on the sample of another edge.
    BusSynth bus(1'600'000, 400'000);
    bus.sda(false);
    const int64_t at = bus.Now();
    bus.otherChannel(5, true).glitchScl();
    const Capture capture = bus.scl(false).stop().Build();
    EXPECT_EQ(capture.RunStart(capture.RunAt(at)), at);  // the other edge keeps its sample
    ExpectGlitchAt(capture, at + 1, kScl);
}

TEST(HostSynth, SclGlitchWhileLowIsAnExtraClock) {
    // What the glitch means is up to the reader; a plain reader takes an SCL pulse as a clock.
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0);
    bus.quarter().glitchScl();
    EXPECT_EQ(Read(bus.stop().Build()), "S A0+ P");  // the extra bit is lost in the stop
    EXPECT_EQ(Rises(bus.Build(), kScl).size(), 9u + 1u + 1u);
}

TEST(HostSynth, TogetherChangesBothLinesOnOneSample) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0);
    const int64_t at = bus.Now();
    bus.together(true, true);
    const Capture capture = bus.stop().Build();
    const size_t run = capture.RunAt(at);
    ASSERT_EQ(capture.RunStart(run), at);
    EXPECT_NE(capture.RunLevels(run - 1).Get(kScl), capture.RunLevels(run).Get(kScl));
    EXPECT_NE(capture.RunLevels(run - 1).Get(kSda), capture.RunLevels(run).Get(kSda));
    EXPECT_EQ(Read(capture), "S A0+ ? P");
}

TEST(HostSynth, OtherChannelsChangeWithoutTouchingTheBus) {
    BusSynth plain(1'000'000, 100'000);
    plain.start().byte(0xA0).byte(0x12).stop();
    BusSynth noisy(1'000'000, 100'000, 3, 7);
    noisy.otherChannel(0, true).start().byte(0xA0).quarter().otherChannel(100, true);
    noisy.quarter().otherChannel(100, false).byte(0x12).stop();
    const Capture capture = noisy.Build();
    EXPECT_EQ(Read(capture, 3, 7), Read(plain.Build()));
    int otherOnly = 0;
    for (const Change& c : Changes(capture)) {
        const bool bus = c.before.Get(3) != c.after.Get(3) || c.before.Get(7) != c.after.Get(7);
        if (!bus && c.before.Get(100) != c.after.Get(100)) ++otherOnly;
    }
    EXPECT_EQ(otherOnly, 2);
    EXPECT_FALSE(capture.Level(0, 0));  // the first change comes with START, after the idle lead
    EXPECT_TRUE(capture.Level(capture.SampleCount() - 1, 0));
    EXPECT_THROW(noisy.otherChannel(7, true), std::invalid_argument);
}

TEST(HostSynth, JitterIsReproducibleFromItsSeed) {
    auto make = [](uint64_t seed) {
        BusSynth bus(10'000'000, 100'000);
        bus.jitter(900, seed).start().write({0xA0, 0x00, 0x01, 0x02, 0x03}).stop();
        return bus.Build();
    };
    const Capture a = make(42), b = make(42), c = make(43);
    ASSERT_EQ(a.RunCount(), b.RunCount());
    for (size_t i = 0; i < a.RunCount(); ++i) ASSERT_EQ(a.RunStart(i), b.RunStart(i));
    bool differs = a.RunCount() != c.RunCount();
    for (size_t i = 0; !differs && i < a.RunCount(); ++i) differs = a.RunStart(i) != c.RunStart(i);
    EXPECT_TRUE(differs);
    EXPECT_EQ(Read(a), "S A0+ 00+ 01+ 02+ 03+ P");
    // Jitter only lengthens: no SCL period is shorter than nominal (100 samples).
    const std::vector<int64_t> rises = Rises(a, kScl);
    for (size_t k = 1; k < rises.size(); ++k) EXPECT_GE(rises[k] - rises[k - 1], 100);
    EXPECT_GT(rises.back() - rises.front(), int64_t(rises.size() - 1) * 100);
}

TEST(HostSynth, DdcTransactions) {
    BusSynth bus(1'000'000, 100'000);
    const std::vector<uint8_t> edid = Hex("00 FF FF");
    ddc::EdidRead(bus, edid);
    ddc::EdidRead(bus, edid, 0x80, 1);
    ddc::HdcpRead(bus, 1, 0x41, Hex("10 20"));
    ddc::HdcpWrite(bus, 0, 0x10, Hex("0102"));
    ddc::ScdcWrite(bus, 0x20, 0x03);
    ddc::ScdcRead(bus, 0x40, Hex("4F"));
    ddc::CurrentAddressRead(bus, 0xA0, Hex("AB CD"));
    EXPECT_EQ(Read(bus.Build()),
              "S A0+ 00+ Sr A1+ 00+ FF+ FF- P "
              "S 60+ 01+ Sr A0+ 80+ Sr A1+ 00+ FF+ FF- P "
              "S 76+ 41+ Sr 77+ 10+ 20- P "
              "S 74+ 10+ 01+ 02+ P "
              "S A8+ 20+ 03+ P "
              "S A8+ 40+ Sr A9+ 4F- P "
              "S A1+ AB+ CD- P");
    EXPECT_THROW(ddc::HdcpRead(bus, 2, 0, edid), std::invalid_argument);
}

TEST(HostSynth, BuildLeavesTheScriptOpenAndTakeMovesItOut) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0);
    const Capture first = bus.Build();
    bus.stop();
    const Capture built = bus.Build();
    EXPECT_EQ(Read(first), "S A0+");
    EXPECT_EQ(Read(built), "S A0+ P");
    const Capture taken = bus.Take();
    EXPECT_EQ(taken.RunCount(), built.RunCount());
    EXPECT_EQ(taken.SampleCount(), built.SampleCount());
}

TEST(HostSynth, RejectsImpossibleSetups) {
    EXPECT_THROW(BusSynth(1'000'000, 400'000), std::invalid_argument);  // under four samples a period
    EXPECT_THROW(BusSynth(1'000'000, 0), std::invalid_argument);
    EXPECT_THROW(BusSynth(1'000'000, 100'000, 2, 2), std::invalid_argument);
    EXPECT_THROW(BusSynth(1'000'000, 100'000, 0, 128), std::invalid_argument);
    EXPECT_NO_THROW(BusSynth(1'600'000, 400'000));
}

TEST(HostSynth, HexReadsPairsWithOrWithoutSeparators) {
    EXPECT_EQ(Hex("00 ff,FF0a\n 7E"), (std::vector<uint8_t>{0x00, 0xFF, 0xFF, 0x0A, 0x7E}));
    EXPECT_EQ(Hex(""), std::vector<uint8_t>{});
    EXPECT_THROW(Hex("0"), std::invalid_argument);
    EXPECT_THROW(Hex("0 0"), std::invalid_argument);
    EXPECT_THROW(Hex("0x10"), std::invalid_argument);
}

}  // namespace
}  // namespace hdmi::host
