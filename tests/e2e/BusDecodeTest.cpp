// Waveforms to packets, through the exports: what a host draws after Analysis.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BusSynth.h"
#include "Session.h"
#include "i2c/DdcPacket.h"

namespace hdmi {
namespace {

using host::BusSynth;
using host::Packet;
using host::Session;

std::shared_ptr<host::Plugin> SharedPlugin() {
    static std::shared_ptr<host::Plugin> plugin = host::Plugin::Load();
    return plugin;
}

struct KindValue {
    uint32_t kind;
    uint32_t value;
    friend bool operator==(const KindValue&, const KindValue&) = default;
};
std::ostream& operator<<(std::ostream& out, const KindValue& kv) {
    return out << "{" << kv.kind << "," << kv.value << "}";
}

class BusDecodeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session_ = std::make_unique<Session>(SharedPlugin());
        session_->Init();
        session_->Defaults();
        session_->SetReportOutput(host::ReportOutput::None);
    }

    // Decodes and returns the packets (without the closing entry), checking the stream shape.
    std::vector<KindValue> Decode(const host::Capture& capture) {
        capture_ = capture;
        session_->SetCapture(capture_);
        const uint32_t count = session_->Analyze();
        packets_ = session_->Packets();
        std::vector<KindValue> out;
        if (count == 0) return out;
        EXPECT_EQ(count % 3, 1u) << "3n + 1 entries";
        EXPECT_TRUE(!packets_.empty() && packets_.back().closing);
        for (size_t i = 1; i < packets_.size(); ++i)
            EXPECT_LE(packets_[i - 1].position, packets_[i].position) << "packet " << i;
        for (const Packet& p : packets_)
            if (!p.closing) out.push_back({p.kind, p.value});
        return out;
    }

    std::unique_ptr<Session> session_;
    host::Capture capture_;
    std::vector<Packet> packets_;
};

// Packets as text, by kind: S start, P stop, A address, F/G first and second reserved byte, W/R
// direction, K/N acknowledge or not, D data, Sr repeated start, C CBUS data, I idle. Numbers are
// in hex; a value the kind does not name follows a '#', so no two packets read alike.
std::string Text(const std::vector<KindValue>& packets) {
    static const char* const kNames[] = {"S", "P", "A", "F", "G", "W", "K", "D", "Sr", "C", "I"};
    std::string text;
    for (const KindValue& p : packets) {
        char token[32];
        const bool number =
            p.kind == Address || p.kind == Data || p.kind == FirstByte || p.kind == SecondByte;
        if (p.kind > Idle)
            std::snprintf(token, sizeof token, "?%u#%X", p.kind, p.value);
        else if (number)
            std::snprintf(token, sizeof token, "%s%02X", kNames[p.kind], p.value);
        else if ((p.kind == ReadWrite || p.kind == Ack) && p.value == 1)
            std::snprintf(token, sizeof token, "%s", p.kind == Ack ? "N" : "R");
        else if (p.value != 0)
            std::snprintf(token, sizeof token, "%s#%X", kNames[p.kind], p.value);
        else
            std::snprintf(token, sizeof token, "%s", kNames[p.kind]);
        text += (text.empty() ? "" : " ") + std::string(token);
    }
    return text;
}

constexpr uint32_t kIdle = Idle, kAddr = Address, kData = Data;

TEST_F(BusDecodeTest, WriteWithNackedDataGivesEveryPacketInOrder) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0).byte(0x00, false).stop();
    const auto packets = Decode(bus.Build());
    EXPECT_EQ(Text(packets), "I S A50 W K D00 N P I");
    // The first Idle sits at sample 0; the closing entry at the last sample of the range.
    EXPECT_EQ(packets_.front().position, 0);
    EXPECT_EQ(packets_.back().kind, kIdle);
    EXPECT_EQ(packets_.back().position, capture_.SampleCount() - 1);
}

TEST_F(BusDecodeTest, EightBitModeShowsTheWholeAddressByteWithoutReadWritePacket) {
    session_->SetEightBitAddress(true);
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA1).read({0x12}).stop();
    EXPECT_EQ(Text(Decode(bus.Build())), "I S AA1 K D12 N P I");
    // Labels follow the address mode of the last decode.
    Packet address = packets_[2];
    EXPECT_EQ(session_->Label(address).text, "Rd:A1");
}

TEST_F(BusDecodeTest, RepeatedStartInsideATransferAndStartAfterStop) {
    BusSynth bus(2'000'000, 100'000);
    bus.start().byte(0xA0).byte(0x10).restart().byte(0xA1).read({0xAB, 0xCD}).stop();
    bus.start().byte(0x74).byte(0x00).stop();
    EXPECT_EQ(Text(Decode(bus.Build())), "I S A50 W K D10 K Sr A50 R K DAB K DCD N P I S A3A W K D00 K P I");
}

TEST_F(BusDecodeTest, StartFollowedByStopLeavesOnlyOneIdle) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().stop();                       // no byte: the start is dropped with the stop
    bus.start().bit(true).bit(false).stop();  // a byte cut short by the stop: no trace either
    EXPECT_EQ(Text(Decode(bus.Build())), "I");
}

TEST_F(BusDecodeTest, ReservedFirstBytes) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0x00).byte(0x06).stop();  // general call, reset: second byte held until its ack
    bus.start().byte(0xF2).byte(0x00).byte(0x33).stop();  // 10-bit address: always held
    bus.start().byte(0x03).byte(0x44).stop();             // CBUS: data follows directly
    EXPECT_EQ(Text(Decode(bus.Build())), "I S F00 K G00 K P I S F04 K G04 K D33 K P I S F02 K D44 K P I");
}

TEST_F(BusDecodeTest, HeldBackSecondByteIsDroppedByAStopBeforeItsAck) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0x00);
    for (int i = 0; i < 8; ++i) bus.bit(i % 2 == 0);  // second byte 0xAA
    // STOP with SCL rising on the same sample: no acknowledge clock confirms the second byte, and
    // the stop that drops it is not stored either.
    bus.sda(false).together(true, true).quarter(4);
    EXPECT_EQ(Text(Decode(bus.Build())), "I S F00 K I");
}

TEST_F(BusDecodeTest, CaptureStartingInsideATransferWaitsForTheNextStart) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0).byte(0x00).restart().byte(0xA1).read({1, 2, 3}).stop();
    bus.start().byte(0xA0).byte(0x7F).stop();
    host::Capture capture = bus.Build();
    // Cut the capture in the middle of the first transfer's data, as a late trigger would.
    Decode(capture);
    ASSERT_GT(packets_.size(), 12u);
    const int64_t cut = packets_[12].position + 3;  // inside a data byte of the read
    session_->Context().ValidFirstSample = cut;
    session_->Analyze();
    std::vector<KindValue> late;
    for (const Packet& p : session_->Packets())
        if (!p.closing) late.push_back({p.kind, p.value});
    // The rest of the cut transfer, its stop included, leaves no packet: the bus counts as idle.
    EXPECT_EQ(Text(late), "I S A50 W K D7F K P I");
}

TEST_F(BusDecodeTest, ClockAndDataChangingTogetherWhileClockEndsHighIsAStartOrStop) {
    BusSynth bus(1'000'000, 100'000);
    // SCL rises on the same sample as SDA falls: read as a START.
    bus.scl(false).sda(true).quarter(2).together(true, false).quarter(2).scl(false).quarter();
    for (int i = 0; i < 8; ++i) bus.bit((0xA0 >> (7 - i)) & 1);
    bus.bit(false);
    // SCL rises on the same sample as SDA rises: read as a STOP.
    bus.sda(false).quarter().together(true, true).quarter(4);
    EXPECT_EQ(Text(Decode(bus.Build())), "I S A50 W K P I");
}

TEST_F(BusDecodeTest, GlitchFilterAppliesToSdaFromTwoHundredMegasamplesOn) {
    // A data byte 0x00 whose first bit carries a one-sample SDA pulse while SCL is high: unfiltered
    // it reads as a STOP and a START in the middle of the transfer.
    auto script = [](int64_t rate) {
        BusSynth bus(rate, 1'000'000);
        bus.start().byte(0xA0);
        bus.sda(false).scl(true).glitchSda().quarter().scl(false);
        for (int i = 0; i < 7; ++i) bus.bit(false);
        bus.bit(false);  // acknowledge
        bus.stop();
        return bus.Build();
    };
    session_->SetGlitchFilter(true);
    const auto clean = Decode(script(200'000'000));
    EXPECT_EQ(Text(clean), "I S A50 W K D00 K P I");
    const auto below = Decode(script(199'999'999));
    EXPECT_NE(below, clean) << "below 200 MS/s the setting has no effect";
    session_->SetGlitchFilter(false);
    EXPECT_EQ(Decode(script(200'000'000)), below);
}

TEST_F(BusDecodeTest, GlitchOnSclIsNeverFiltered) {
    BusSynth bus(400'000'000, 1'000'000);
    bus.start().byte(0xA0).glitchScl().byte(0x55).stop();
    session_->SetGlitchFilter(true);
    const auto packets = Decode(bus.Build());
    // The extra clock pulse shifts in one more bit: the data byte is no longer 0x55.
    ASSERT_GE(packets.size(), 6u);
    EXPECT_NE(packets[5], (KindValue{kData, 0x55}));
}

TEST_F(BusDecodeTest, ChangesOnOtherChannelsDoNotDisturbTheDecode) {
    BusSynth bus(1'000'000, 100'000);
    bus.start()
        .otherChannel(5, true)
        .byte(0xA0)
        .otherChannel(7, true)
        .byte(0x42)
        .otherChannel(5, false)
        .stop();
    EXPECT_EQ(Text(Decode(bus.Build())), "I S A50 W K D42 K P I");
}

TEST_F(BusDecodeTest, ChannelMapSelectsTheLines) {
    BusSynth bus(1'000'000, 100'000, /*scl=*/9, /*sda=*/3);
    bus.start().byte(0xA8).byte(0x20).stop();
    session_->SetChannels(9, 3);
    const auto packets = Decode(bus.Build());
    ASSERT_EQ(packets.size(), 9u);
    EXPECT_EQ(packets[2], (KindValue{kAddr, 0x54}));
    EXPECT_EQ(packets[5], (KindValue{kData, 0x20}));
}

TEST_F(BusDecodeTest, DecodeRangeBetweenCursorsInEitherOrder) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0).byte(0x01).stop().idle(50'000);
    const int64_t second = bus.Now();
    bus.start().byte(0xA0).byte(0x02).stop().idle(50'000);
    const int64_t third = bus.Now();
    bus.start().byte(0xA0).byte(0x03).stop();
    host::Capture capture = bus.Build();
    session_->SetCapture(capture);
    auto& context = session_->Context();
    context.MarkerPositions[2] = second - 10;  // cursor A before cursor B
    context.MarkerPositions[3] = third - 10;   // cursor B
    session_->SetRange(3, 2);                  // From = Cursor B, to = Cursor A: swapped
    session_->Analyze();
    std::vector<uint32_t> data;
    for (const Packet& p : session_->Packets())
        if (p.kind == kData && !p.closing) data.push_back(p.value);
    EXPECT_EQ(data, (std::vector<uint32_t>{0x02}));
    EXPECT_EQ(session_->Packets().back().position, third - 10);

    // to = Buffer Head means the last sample of the buffer, not sample 0.
    session_->SetRange(2, 0);
    session_->Analyze();
    data.clear();
    for (const Packet& p : session_->Packets())
        if (p.kind == kData && !p.closing) data.push_back(p.value);
    EXPECT_EQ(data, (std::vector<uint32_t>{0x02, 0x03}));
    EXPECT_EQ(session_->Packets().back().position, capture.SampleCount() - 1);
}

TEST_F(BusDecodeTest, RefusedDecodeReturnsZeroAndLeavesTheViews) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0).byte(0x00).stop();
    host::Capture capture = bus.Build();
    session_->SetCapture(capture);
    ASSERT_GT(session_->Analyze(), 0u);
    uint32_t* words = session_->Context().PacketWordsView;
    int64_t* positions = session_->Context().PacketPositionsView;
    const int beginCalls = session_->BeginDecodeCalls();
    session_->RefuseDecode(true);
    EXPECT_EQ(session_->Analyze(), 0u);
    EXPECT_EQ(session_->BeginDecodeCalls(), beginCalls + 1);
    EXPECT_EQ(session_->NextEdgeCalls(), 0) << "no edge is read once the host refuses";
    EXPECT_EQ(session_->Context().PacketWordsView, words);
    EXPECT_EQ(session_->Context().PacketPositionsView, positions);
}

TEST_F(BusDecodeTest, ContinuousModeClearsStatisticsModeInTheRecord) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0).byte(0x00).stop();
    host::Capture capture = bus.Build();
    session_->SetCapture(capture);
    session_->SetStatistics(true);
    session_->SetContinuousMode(1);
    session_->Analyze();
    EXPECT_EQ(session_->Context().DecodeFlags & (1u << 11), 0u);
}

TEST_F(BusDecodeTest, DecodeProcFillsTheHostStoreWithTheSamePackets) {
    BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0).byte(0x00).restart().byte(0xA1).read({9, 8}).stop();
    const auto viaFiles = Decode(bus.Build());
    host::StoreResult store = session_->DecodeToStore();
    EXPECT_EQ(store.result, 1);
    EXPECT_FALSE(store.badStreamId);
    EXPECT_FALSE(store.foreignHandle);
    EXPECT_EQ(store.words.size(), store.positions.size());
    EXPECT_EQ(store.words.size() % 3, 1u);
    std::vector<KindValue> viaStore;
    for (const Packet& p : store.Packets())
        if (!p.closing) viaStore.push_back({p.kind, p.value});
    EXPECT_EQ(viaStore, viaFiles);
    // Each stream is reset once, before the first entry arrives, and never closed by the plug-in.
    int resets = 0, resetsBeforeAppend = 0, closes = 0;
    bool appended = false;
    for (const auto& call : store.calls) {
        appended |= call.kind == host::StoreCall::Append;
        resets += call.kind == host::StoreCall::Reset;
        resetsBeforeAppend += !appended && call.kind == host::StoreCall::Reset;
        closes += call.kind == host::StoreCall::Close;
    }
    EXPECT_EQ(resets, 2);
    EXPECT_EQ(resetsBeforeAppend, 2);
    EXPECT_EQ(closes, 0);
}

}  // namespace
}  // namespace hdmi
