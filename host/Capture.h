// A captured logic-analyzer recording as the stand-in host keeps it: the levels of up to 128
// channels stored as runs of equal samples, and the edge query the plug-in walks it with.
//
// A run is a first sample and a 16-byte level word (bit n of byte n / 8 is channel n); it lasts
// until the next run starts. Consecutive runs always differ, so every run start after the first
// is a level change of at least one channel. The first run starts at sample 0.
//
// Memory: a run costs 8 bytes of position plus a 2-byte index into a table of the distinct level
// words while there are at most 65536 of them (any capture of a few bus lines), or 16 bytes of
// level word beyond that: 10 to 24 bytes per run.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hdmi::host {

inline constexpr int kMaxChannels = 128;

// The levels of all channels at one sample, in the host's 16-byte layout.
struct Levels {
    std::array<uint8_t, 16> bytes{};

    bool Get(int channel) const { return (bytes[channel >> 3] >> (channel & 7)) & 1u; }
    void Set(int channel, bool level) {
        const uint8_t bit = uint8_t(1u << (channel & 7));
        bytes[channel >> 3] =
            level ? uint8_t(bytes[channel >> 3] | bit) : uint8_t(bytes[channel >> 3] & ~bit);
    }
    Levels With(int channel, bool level) const {
        Levels copy = *this;
        copy.Set(channel, level);
        return copy;
    }
    friend bool operator==(const Levels& a, const Levels& b) {
        return std::memcmp(a.bytes.data(), b.bytes.data(), 16) == 0;
    }
};

// Anything that can answer the host's edge query. Capture is the in-memory one; generators that
// produce edges on the fly (very long benchmark captures) implement it too.
class EdgeSource {
  public:
    virtual ~EdgeSource() = default;

    // Writes the levels at `position` into levels16 and returns the first later sample at which
    // any channel changes, or -1 when none does before the end of the capture. A position before
    // the first sample reads sample 0; a position at or past the end reads the last sample.
    virtual int64_t NextEdge(int64_t position, uint8_t* levels16) const = 0;
    virtual int64_t SampleCount() const = 0;
    virtual int64_t SampleRate() const = 0;
};

class Capture final : public EdgeSource {
  public:
    Capture() = default;
    explicit Capture(int64_t sampleRate) { d_.sampleRate = sampleRate; }

    Capture(const Capture& other);
    Capture& operator=(const Capture& other);
    Capture(Capture&& other) noexcept;
    Capture& operator=(Capture&& other) noexcept;

    // ---- Building, in time order ----------------------------------------------------------------
    // Starts a run at `position` with `levels`. Positions never go back (std::invalid_argument).
    // A run at the position of the last run replaces its levels; levels equal to the current ones
    // add nothing. The first run is placed at sample 0 whatever `position` says, so a capture
    // always has defined levels from its first sample on.
    void Append(int64_t position, const Levels& levels);
    // Changes one channel from `position` on, keeping the others at their current levels.
    void SetLevel(int64_t position, int channel, bool level);
    // The capture ends before `count` (must exceed the last run's start); without a call it
    // ends one sample after the last run starts.
    void SetSampleCount(int64_t count);
    void SetSampleRate(int64_t rate) { d_.sampleRate = rate; }
    void Reserve(size_t runs);
    void ShrinkToFit();

    // ---- Channel names (for readers of captures and for messages) ------------------------------
    void SetChannelName(int channel, std::string name);
    // The channel's name, or "" when none was given.
    const std::string& ChannelName(int channel) const;
    // The channel named `name` (compared ignoring ASCII case), or -1.
    int FindChannel(std::string_view name) const;
    // One more than the highest channel that was named or has ever been high, at least
    // the count given to SetChannelCount.
    int ChannelCount() const;
    void SetChannelCount(int count);

    // ---- Reading --------------------------------------------------------------------------------
    int64_t NextEdge(int64_t position, uint8_t* levels16) const override;
    int64_t SampleCount() const override;
    int64_t SampleRate() const override { return d_.sampleRate; }

    size_t RunCount() const { return d_.starts.size(); }
    int64_t RunStart(size_t run) const { return d_.starts[run]; }
    Levels RunLevels(size_t run) const { return d_.wide ? d_.raw[run] : d_.palette[d_.index[run]]; }
    // The run holding `position` (clamped into the capture); 0 for an empty capture.
    size_t RunAt(int64_t position) const;
    Levels LevelsAt(int64_t position) const;
    bool Level(int64_t position, int channel) const { return LevelsAt(position).Get(channel); }
    // The same capture without its runs: channel count and names, rate and sample count.
    Capture HeaderOnly() const;
    // Bytes held for the runs (not counting channel names).
    size_t MemoryBytes() const;

  private:
    void PushLevels(const Levels& levels);
    void ReplaceLastLevels(const Levels& levels);
    uint16_t PaletteIndex(const Levels& levels);  // adds the word; widens when the palette is full
    void Widen();

    struct LevelsHash {
        size_t operator()(const Levels& levels) const noexcept;
    };
    // Everything but the cursor, so that copies and moves stay one line each.
    struct Data {
        std::vector<int64_t> starts;
        // Narrow form: palette + index. Wide form (too many distinct words): raw.
        bool wide = false;
        std::vector<Levels> palette;
        std::vector<uint16_t> index;
        std::vector<Levels> raw;
        std::unordered_map<Levels, uint16_t, LevelsHash> paletteLookup;
        int64_t sampleCount = -1;  // -1: one past the last run start
        int64_t sampleRate = 0;
        Levels everHigh;  // OR of every level word, for ChannelCount
        int channelCount = 0;
        std::vector<std::string> channelNames;
    } d_;
    // The run the last NextEdge read: a forward walk finds its run here or in the next one. Only
    // a hint, checked before use, so concurrent readers stay correct.
    mutable std::atomic<size_t> cursor_{0};
};

}  // namespace hdmi::host
