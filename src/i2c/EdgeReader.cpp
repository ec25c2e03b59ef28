#include "i2c/EdgeReader.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace hdmi {

void CEdgeReader::Open(const HostDecodeContext& host, int64_t rangeStart, int64_t rangeEnd) {
    host_ = &host;
    firstSample_ = std::max(rangeStart, host.ValidFirstSample);
    const int64_t validLast = host.ValidLastSample != 0 ? host.ValidLastSample : host.MarkerPositions[0];
    lastSample_ = std::min(rangeEnd, validLast);
    nextChange_ = 0;
    std::memset(channelMask_.bytes, 0xFF, sizeof channelMask_.bytes);
    maskActive_ = false;
    glitchFilter_ = false;
}

void CEdgeReader::ClearMask() {
    channelMask_ = LevelWord{};
}

void CEdgeReader::WatchChannel(int channel) {
    if (channel < 0 || channel >= kLevelBytes * 8) return;  // outside the level word
    channelMask_.SetBit(channel);
    maskActive_ = std::any_of(std::begin(channelMask_.bytes), std::end(channelMask_.bytes),
                              [](uint8_t b) { return b != 0xFF; });
}

void CEdgeReader::SetGlitchFilter(bool on, int channel) {
    glitchFilter_ = on;
    glitchChannel_ = channel;
}

bool CEdgeReader::Seek(int64_t position, LevelWord* levels) {
    if (levels == nullptr || position > lastSample_) return false;
    nextChange_ = Next(std::max(position, firstSample_), *levels);
    edgePosition_ = nextChange_;
    previousLevels_ = *levels;
    if (maskActive_) {
        for (int i = 0; i < kLevelBytes; ++i) previousLevels_.bytes[i] &= channelMask_.bytes[i];
    }
    return nextChange_ != -1;
}

// Masks `levels` byte by byte while comparing with the previous levels; stops at the first byte
// that differs (its index goes to firstDifferent) and leaves the bytes after it unmasked.
bool CEdgeReader::MaskedEqualsPrevious(LevelWord& levels, int& firstDifferent) const {
    for (int i = 0; i < kLevelBytes; ++i) {
        levels.bytes[i] &= channelMask_.bytes[i];
        if (levels.bytes[i] != previousLevels_.bytes[i]) {
            firstDifferent = i;
            return false;
        }
    }
    return true;
}

bool CEdgeReader::ReadEdge(int64_t* positionOut, LevelWord* levels) {
    if (levels == nullptr || nextChange_ >= lastSample_ || nextChange_ == -1) {
        if (positionOut != nullptr) *positionOut = nextChange_;
        return false;
    }
    edgePosition_ = nextChange_;
    nextChange_ = Next(edgePosition_, *levels);
    if (nextChange_ != -1) {
        for (;;) {
            int differs = 0;
            if (MaskedEqualsPrevious(*levels, differs)) {
                // No watched channel changed: read on.
                edgePosition_ = nextChange_;
                nextChange_ = Next(nextChange_, *levels);
                if (nextChange_ == -1) break;
                continue;
            }
            if (!glitchFilter_) break;
            for (int i = differs + 1; i < kLevelBytes; ++i) levels->bytes[i] &= channelMask_.bytes[i];
            if (nextChange_ - edgePosition_ > 1) break;  // lasts two samples or more: an edge
            LevelWord following;
            Next(nextChange_, following);
            if (levels->Bit(glitchChannel_) == following.Bit(glitchChannel_))
                break;  // another channel's edge
            // A one-sample pulse on the glitch channel: it becomes the reference, so the run after
            // it shows no change to the decoder.
            edgePosition_ = nextChange_;
            previousLevels_ = *levels;
            nextChange_ = Next(nextChange_, *levels);
            if (nextChange_ == -1) break;
        }
        for (int i = 0; i < kLevelBytes; ++i)
            previousLevels_.bytes[i] = levels->bytes[i] & channelMask_.bytes[i];
    }
    if (nextChange_ == -1) nextChange_ = lastSample_;
    if (positionOut != nullptr) *positionOut = edgePosition_;
    return true;
}

}  // namespace hdmi
