// An I2C bus synthesizer: a script of bus events in, a Capture out.
//
//   Capture capture = BusSynth(1'000'000, 100'000)
//                         .start().byte(0xA0).byte(0x00).restart().byte(0xA1).read(edid).stop()
//                         .Build();
//
// Timing. One SCL period is four quarter periods q. A data bit puts SDA on the line, waits q,
// raises SCL, holds it 2q, lowers it and waits q, so SDA only ever changes in the middle of the
// low phase. START: SDA falls, 2q, SCL falls, q. Repeated start: SDA rises, q, SCL rises, q, SDA
// falls, q, SCL falls, q. STOP: SDA falls, q, SCL rises, q, SDA rises, 2q of bus-free time.
// The bus idles high and a capture opens with one SCL period of idle bus.
//
// Time is kept exactly (in units of 1 / (4 * sclHz * 10^9) s, so quarter periods and nanoseconds
// are whole numbers) and each edge is rounded to its nearest sample on its own: rounding errors
// never accumulate, edge spacing differs from the ideal by less than one sample everywhere.
// The sample rate must be at least four times the SCL frequency, so that no two bus edges can
// share a sample unless asked to (together()).
//
// Randomness is opt-in and seeded (jitter()); the same script and seed give the same capture on
// every platform.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "Capture.h"

namespace hdmi::host {

class BusSynth {
  public:
    // Throws std::invalid_argument when a rate is not positive, the sample rate is below four
    // times the SCL frequency, a channel is outside 0..127, or SCL and SDA are the same channel.
    BusSynth(int64_t sampleRateHz, int64_t sclHz, int sclChannel = 0, int sdaChannel = 1);

    // ---- Protocol primitives --------------------------------------------------------------------
    // START from an idle bus; while a transfer is open (SCL low) it is a repeated start.
    BusSynth& start();
    BusSynth& restart();
    BusSynth& stop();
    // One data bit (SCL low before and after).
    BusSynth& bit(bool level);
    // Eight bits MSB first and the acknowledge clock, SDA low there for ack, high for nack.
    BusSynth& byte(uint8_t value, bool ack = true);
    // Each byte acknowledged, as a slave acknowledges a master's writes.
    BusSynth& write(std::span<const uint8_t> bytes);
    BusSynth& write(std::initializer_list<uint8_t> bytes);
    // Each byte acknowledged except the last, as a master ends a read.
    BusSynth& read(std::span<const uint8_t> bytes);
    BusSynth& read(std::initializer_list<uint8_t> bytes);
    // Holds every line for `ns` nanoseconds.
    BusSynth& idle(int64_t ns);

    // ---- Line-level primitives (each changes at the current time, then waits one quarter) ------
    BusSynth& scl(bool level);
    BusSynth& sda(bool level);
    // SCL and SDA change on the same sample.
    BusSynth& together(bool sclLevel, bool sdaLevel);
    // Waits `n` quarter periods.
    BusSynth& quarter(int n = 1);

    // A pulse of exactly one sample on the line at the current time: the line flips for one
    // sample and returns. The pulse keeps at least one sample away from every other edge before
    // and after it, so it is never merged with a bus edge.
    BusSynth& glitchSda();
    BusSynth& glitchScl();
    // A change on a channel other than SCL and SDA, at the current time (it shares the sample
    // with a bus edge made at the same time). Time does not advance.
    BusSynth& otherChannel(int channel, bool level);

    // From now on every step waits up to `maxNs` nanoseconds longer, drawn from a generator
    // seeded with `seed`. jitter(0, ...) turns it off.
    BusSynth& jitter(int64_t maxNs, uint64_t seed);

    // ---- Results --------------------------------------------------------------------------------
    // The capture so far plus one SCL period of idle tail.
    Capture Build() const;
    // The same, moving the capture out; the synthesizer is then empty and must not be used.
    Capture Take();

    // The sample the next edge made now would land on.
    int64_t Now() const;
    // The exact current time in nanoseconds (rounded down).
    int64_t NowNs() const;
    bool SclLevel() const { return levels_.Get(sclChannel_); }
    bool SdaLevel() const { return levels_.Get(sdaChannel_); }
    int SclChannel() const { return sclChannel_; }
    int SdaChannel() const { return sdaChannel_; }
    int64_t SampleRate() const { return sampleRate_; }
    int64_t SclHz() const { return sclHz_; }

  private:
    void Change(Levels levels);
    void Wait(int64_t units);
    void WaitQuarters(int n);
    int64_t SampleOf(__int128 units) const;
    void Glitch(int channel);
    int64_t TailSampleCount() const;

    int64_t sampleRate_;
    int64_t sclHz_;
    int sclChannel_;
    int sdaChannel_;
    int64_t unitsPerSecond_;   // 4 * sclHz * 10^9
    int64_t unitsPerQuarter_;  // 10^9
    int64_t unitsPerNs_;       // 4 * sclHz
    __int128 now_ = 0;
    int64_t lastEdgeSample_ = 0;  // a glitch keeps clear of it
    Levels levels_;
    Capture capture_;
    int64_t jitterUnits_ = 0;
    uint64_t rngState_ = 0;
};

// Parses bytes written as hexadecimal pairs, separated by blanks, commas or nothing:
// Hex("00 FF FF FF FF FF FF 00"). Throws std::invalid_argument on anything else.
std::vector<uint8_t> Hex(std::string_view text);

// DDC transactions as HDMI sources make them. Each is one whole transfer from START to STOP and
// leaves the bus idle.
namespace ddc {

inline constexpr uint8_t kSegmentPointer = 0x60;
inline constexpr uint8_t kEdidWrite = 0xA0;
inline constexpr uint8_t kHdcpPrimaryWrite = 0x74;
inline constexpr uint8_t kHdcpSecondaryWrite = 0x76;
inline constexpr uint8_t kScdcWrite = 0xA8;

// EDID read of `data` from word offset `offset`: START A0 offset, Sr A1, the bytes, STOP. With
// a segment, the E-DDC form: START 60 segment, Sr A0 offset, Sr A1 ..., STOP.
BusSynth& EdidRead(BusSynth& bus, std::span<const uint8_t> data, uint8_t offset = 0,
                   std::optional<uint8_t> segment = std::nullopt);
// Register read from an 8-bit write address (74h, 76h, A8h...): START addr offset, Sr addr|1,
// the bytes, STOP.
BusSynth& RegisterRead(BusSynth& bus, uint8_t writeAddress, uint8_t offset, std::span<const uint8_t> data);
// Register write: START addr offset data..., STOP.
BusSynth& RegisterWrite(BusSynth& bus, uint8_t writeAddress, uint8_t offset, std::span<const uint8_t> data);
// HDCP 1.x: port 0 at 74h/75h, port 1 at 76h/77h.
BusSynth& HdcpRead(BusSynth& bus, int port, uint8_t offset, std::span<const uint8_t> data);
BusSynth& HdcpWrite(BusSynth& bus, int port, uint8_t offset, std::span<const uint8_t> data);
// SCDC: A8h/A9h.
BusSynth& ScdcWrite(BusSynth& bus, uint8_t offset, uint8_t value);
BusSynth& ScdcRead(BusSynth& bus, uint8_t offset, std::span<const uint8_t> data);
// Current-address read: START addr|1, the bytes, STOP.
BusSynth& CurrentAddressRead(BusSynth& bus, uint8_t writeAddress, std::span<const uint8_t> data);

}  // namespace ddc

}  // namespace hdmi::host
