#include "BusSynth.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

namespace hdmi::host {

namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr int64_t kMaxSclHz = 1'000'000'000;  // keeps the time unit count per second in 64 bits

uint64_t SplitMix64(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',';
}

}  // namespace

BusSynth::BusSynth(int64_t sampleRateHz, int64_t sclHz, int sclChannel, int sdaChannel)
    : sampleRate_(sampleRateHz), sclHz_(sclHz), sclChannel_(sclChannel), sdaChannel_(sdaChannel) {
    if (sampleRateHz <= 0 || sclHz <= 0 || sclHz > kMaxSclHz)
        throw std::invalid_argument("sample rate and SCL frequency must be positive (SCL at most 1 GHz)");
    if (sampleRateHz / 4 < sclHz)
        throw std::invalid_argument("sample rate below four times the SCL frequency");
    if (sclChannel < 0 || sclChannel >= kMaxChannels || sdaChannel < 0 || sdaChannel >= kMaxChannels)
        throw std::invalid_argument("channel outside 0..127");
    if (sclChannel == sdaChannel) throw std::invalid_argument("SCL and SDA on the same channel");
    unitsPerQuarter_ = kNsPerSecond;
    unitsPerNs_ = 4 * sclHz;
    unitsPerSecond_ = unitsPerNs_ * kNsPerSecond;
    capture_.SetSampleRate(sampleRateHz);
    levels_.Set(sclChannel_, true);
    levels_.Set(sdaChannel_, true);
    capture_.Append(0, levels_);
    WaitQuarters(4);
}

// ---- Time ------------------------------------------------------------------------------------------

int64_t BusSynth::SampleOf(__int128 units) const {
    // Nearest sample, halves rounded up: floor((2 * units * rate + U) / (2 * U)).
    const __int128 scaled = 2 * units * sampleRate_ + unitsPerSecond_;
    return int64_t(scaled / (2 * __int128(unitsPerSecond_)));
}

int64_t BusSynth::Now() const {
    return SampleOf(now_);
}

int64_t BusSynth::NowNs() const {
    return int64_t(now_ / unitsPerNs_);
}

void BusSynth::Wait(int64_t units) {
    now_ += units;
}

void BusSynth::WaitQuarters(int n) {
    for (int i = 0; i < n; ++i) {
        int64_t extra = 0;
        if (jitterUnits_ > 0) extra = int64_t(SplitMix64(rngState_) % uint64_t(jitterUnits_ + 1));
        Wait(unitsPerQuarter_ + extra);
    }
}

void BusSynth::Change(Levels levels) {
    const int64_t sample = SampleOf(now_);
    capture_.Append(sample, levels);
    lastEdgeSample_ = sample;
    levels_ = levels;
}

// ---- Line level ------------------------------------------------------------------------------------

BusSynth& BusSynth::scl(bool level) {
    Change(levels_.With(sclChannel_, level));
    WaitQuarters(1);
    return *this;
}

BusSynth& BusSynth::sda(bool level) {
    Change(levels_.With(sdaChannel_, level));
    WaitQuarters(1);
    return *this;
}

BusSynth& BusSynth::together(bool sclLevel, bool sdaLevel) {
    Change(levels_.With(sclChannel_, sclLevel).With(sdaChannel_, sdaLevel));
    WaitQuarters(1);
    return *this;
}

BusSynth& BusSynth::quarter(int n) {
    if (n < 0) throw std::invalid_argument("negative wait");
    WaitQuarters(n);
    return *this;
}

BusSynth& BusSynth::idle(int64_t ns) {
    if (ns < 0) throw std::invalid_argument("negative idle time");
    Wait(ns * unitsPerNs_);
    return *this;
}

void BusSynth::Glitch(int channel) {
    const int64_t sample = std::max(SampleOf(now_), lastEdgeSample_ + 1);
    const Levels before = levels_;
    capture_.Append(sample, before.With(channel, !before.Get(channel)));
    capture_.Append(sample + 1, before);
    lastEdgeSample_ = sample + 1;
    // The next edge must land on sample + 2 or later: the first time that rounds there is
    // (sample + 1.5) samples.
    const __int128 twiceRate = 2 * __int128(sampleRate_);
    const __int128 earliest = ((2 * __int128(sample) + 3) * unitsPerSecond_ + twiceRate - 1) / twiceRate;
    if (now_ < earliest) now_ = earliest;
}

BusSynth& BusSynth::glitchSda() {
    Glitch(sdaChannel_);
    return *this;
}

BusSynth& BusSynth::glitchScl() {
    Glitch(sclChannel_);
    return *this;
}

BusSynth& BusSynth::otherChannel(int channel, bool level) {
    if (channel < 0 || channel >= kMaxChannels || channel == sclChannel_ || channel == sdaChannel_)
        throw std::invalid_argument("otherChannel needs a channel other than SCL and SDA, within 0..127");
    Change(levels_.With(channel, level));
    return *this;
}

BusSynth& BusSynth::jitter(int64_t maxNs, uint64_t seed) {
    if (maxNs < 0) throw std::invalid_argument("negative jitter");
    jitterUnits_ = maxNs * unitsPerNs_;
    rngState_ = seed;
    return *this;
}

// ---- Protocol --------------------------------------------------------------------------------------

BusSynth& BusSynth::start() {
    if (!SclLevel() || !SdaLevel()) return restart();
    sda(false).quarter();
    return scl(false);
}

BusSynth& BusSynth::restart() {
    if (SclLevel()) scl(false);
    sda(true).scl(true).sda(false);
    return scl(false);
}

BusSynth& BusSynth::stop() {
    if (SclLevel()) scl(false);
    sda(false).scl(true).sda(true);
    return quarter();
}

BusSynth& BusSynth::bit(bool level) {
    if (SclLevel()) scl(false);
    sda(level).scl(true).quarter();
    return scl(false);
}

BusSynth& BusSynth::byte(uint8_t value, bool ack) {
    for (int i = 7; i >= 0; --i) bit((value >> i) & 1u);
    return bit(!ack);
}

BusSynth& BusSynth::write(std::span<const uint8_t> bytes) {
    for (uint8_t b : bytes) byte(b, true);
    return *this;
}

BusSynth& BusSynth::write(std::initializer_list<uint8_t> bytes) {
    return write(std::span<const uint8_t>(bytes.begin(), bytes.size()));
}

BusSynth& BusSynth::read(std::span<const uint8_t> bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) byte(bytes[i], i + 1 < bytes.size());
    return *this;
}

BusSynth& BusSynth::read(std::initializer_list<uint8_t> bytes) {
    return read(std::span<const uint8_t>(bytes.begin(), bytes.size()));
}

// ---- Results ---------------------------------------------------------------------------------------

int64_t BusSynth::TailSampleCount() const {
    return SampleOf(now_ + 4 * __int128(unitsPerQuarter_)) + 1;
}

Capture BusSynth::Build() const {
    Capture capture = capture_;
    capture.SetSampleCount(TailSampleCount());
    return capture;
}

Capture BusSynth::Take() {
    const int64_t count = TailSampleCount();
    Capture capture = std::move(capture_);
    capture.SetSampleCount(count);
    capture.ShrinkToFit();
    capture_ = Capture();
    return capture;
}

// ---- Helpers ---------------------------------------------------------------------------------------

std::vector<uint8_t> Hex(std::string_view text) {
    std::vector<uint8_t> bytes;
    size_t i = 0;
    while (i < text.size()) {
        if (IsSeparator(text[i])) {
            ++i;
            continue;
        }
        const int high = HexDigit(text[i]);
        const int low = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
        if (high < 0 || low < 0)
            throw std::invalid_argument("not a hexadecimal byte at offset " + std::to_string(i) + " of \"" +
                                        std::string(text) + "\"");
        bytes.push_back(uint8_t(high * 16 + low));
        i += 2;
    }
    return bytes;
}

namespace ddc {

BusSynth& EdidRead(BusSynth& bus, std::span<const uint8_t> data, uint8_t offset,
                   std::optional<uint8_t> segment) {
    bus.start();
    if (segment) bus.byte(kSegmentPointer).byte(*segment).restart();
    return bus.byte(kEdidWrite).byte(offset).restart().byte(kEdidWrite | 1).read(data).stop();
}

BusSynth& RegisterRead(BusSynth& bus, uint8_t writeAddress, uint8_t offset, std::span<const uint8_t> data) {
    return bus.start()
        .byte(writeAddress)
        .byte(offset)
        .restart()
        .byte(uint8_t(writeAddress | 1))
        .read(data)
        .stop();
}

BusSynth& RegisterWrite(BusSynth& bus, uint8_t writeAddress, uint8_t offset, std::span<const uint8_t> data) {
    return bus.start().byte(writeAddress).byte(offset).write(data).stop();
}

namespace {
uint8_t HdcpAddress(int port) {
    if (port != 0 && port != 1) throw std::invalid_argument("HDCP port must be 0 (74h) or 1 (76h)");
    return port == 0 ? kHdcpPrimaryWrite : kHdcpSecondaryWrite;
}
}  // namespace

BusSynth& HdcpRead(BusSynth& bus, int port, uint8_t offset, std::span<const uint8_t> data) {
    return RegisterRead(bus, HdcpAddress(port), offset, data);
}

BusSynth& HdcpWrite(BusSynth& bus, int port, uint8_t offset, std::span<const uint8_t> data) {
    return RegisterWrite(bus, HdcpAddress(port), offset, data);
}

BusSynth& ScdcWrite(BusSynth& bus, uint8_t offset, uint8_t value) {
    return RegisterWrite(bus, kScdcWrite, offset, std::span<const uint8_t>(&value, 1));
}

BusSynth& ScdcRead(BusSynth& bus, uint8_t offset, std::span<const uint8_t> data) {
    return RegisterRead(bus, kScdcWrite, offset, data);
}

BusSynth& CurrentAddressRead(BusSynth& bus, uint8_t writeAddress, std::span<const uint8_t> data) {
    return bus.start().byte(uint8_t(writeAddress | 1)).read(data).stop();
}

}  // namespace ddc

}  // namespace hdmi::host
