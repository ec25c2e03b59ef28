// CEdgeReader: level changes of the watched lines, pulled run by run from the host's NextEdge.
// Changes on unwatched channels are skipped; with the glitch filter on, one-sample pulses on the
// glitch channel are dropped.
#pragma once

#include <cstdint>

#include "plugin/HostRecords.h"

namespace hdmi {

struct LevelWord {
    uint8_t bytes[kLevelBytes] = {};

    bool Bit(int channel) const { return (bytes[channel / 8] >> (channel % 8)) & 1; }
    void SetBit(int channel) { bytes[channel / 8] |= static_cast<uint8_t>(1u << (channel % 8)); }
};

class CEdgeReader {
  public:
    void Open(const HostDecodeContext& host, int64_t rangeStart, int64_t rangeEnd);
    void ClearMask();
    void WatchChannel(int channel);
    void SetGlitchFilter(bool on, int channel);
    bool Seek(int64_t position, LevelWord* levels);
    bool ReadEdge(int64_t* positionOut, LevelWord* levels);

    int64_t FirstSample() const { return firstSample_; }
    int64_t LastSample() const { return lastSample_; }

  private:
    // A host that answers with a position that does not move forward would make the reader spin
    // on the same run for ever; such an answer ends the data instead.
    int64_t Next(int64_t position, LevelWord& levels) const {
        const int64_t next = host_->NextEdge(position, levels.bytes);
        return next > position ? next : -1;
    }
    bool MaskedEqualsPrevious(LevelWord& levels, int& firstDifferent) const;

    const HostDecodeContext* host_ = nullptr;
    int64_t firstSample_ = 0;
    int64_t lastSample_ = 0;
    int64_t nextChange_ = 0;
    int64_t edgePosition_ = 0;
    LevelWord channelMask_;
    bool maskActive_ = false;
    bool glitchFilter_ = false;
    int glitchChannel_ = 0;
    LevelWord previousLevels_;
};

}  // namespace hdmi
