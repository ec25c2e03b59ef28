#include "Capture.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace hdmi::host {

namespace {

constexpr size_t kPaletteCapacity = 65536;  // what a uint16_t index can name

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

void CheckChannel(int channel) {
    if (channel < 0 || channel >= kMaxChannels) throw std::invalid_argument("channel outside 0..127");
}

}  // namespace

size_t Capture::LevelsHash::operator()(const Levels& levels) const noexcept {
    uint64_t low = 0;
    uint64_t high = 0;
    std::memcpy(&low, levels.bytes.data(), 8);
    std::memcpy(&high, levels.bytes.data() + 8, 8);
    uint64_t h = low * 0x9E3779B97F4A7C15ull ^ (high + 0x632BE59BD9B4E019ull + (low << 6) + (low >> 2));
    return size_t(h ^ (h >> 31));
}

Capture::Capture(const Capture& other) : d_(other.d_) {}
Capture& Capture::operator=(const Capture& other) {
    d_ = other.d_;
    cursor_.store(0, std::memory_order_relaxed);
    return *this;
}
Capture::Capture(Capture&& other) noexcept : d_(std::move(other.d_)) {}
Capture& Capture::operator=(Capture&& other) noexcept {
    d_ = std::move(other.d_);
    cursor_.store(0, std::memory_order_relaxed);
    return *this;
}

// ---- Building --------------------------------------------------------------------------------------

uint16_t Capture::PaletteIndex(const Levels& levels) {
    // A few bus lines make a handful of distinct words: a scan beats hashing there.
    constexpr size_t kScanLimit = 8;
    if (d_.palette.size() <= kScanLimit) {
        for (size_t i = 0; i < d_.palette.size(); ++i)
            if (d_.palette[i] == levels) return uint16_t(i);
    }
    auto found = d_.paletteLookup.find(levels);
    if (found != d_.paletteLookup.end()) return found->second;
    const auto next = uint16_t(d_.palette.size());
    d_.palette.push_back(levels);
    d_.paletteLookup.emplace(levels, next);
    return next;
}

void Capture::Widen() {
    d_.raw.reserve(std::max(d_.index.capacity(), d_.index.size() + 1));
    for (uint16_t i : d_.index) d_.raw.push_back(d_.palette[i]);
    d_.wide = true;
    std::vector<Levels>().swap(d_.palette);
    std::vector<uint16_t>().swap(d_.index);
    decltype(d_.paletteLookup)().swap(d_.paletteLookup);
}

void Capture::PushLevels(const Levels& levels) {
    if (!d_.wide && d_.palette.size() == kPaletteCapacity && !d_.paletteLookup.contains(levels)) Widen();
    if (d_.wide) {
        d_.raw.push_back(levels);
    } else {
        d_.index.push_back(PaletteIndex(levels));
    }
}

void Capture::ReplaceLastLevels(const Levels& levels) {
    if (!d_.wide && d_.palette.size() == kPaletteCapacity && !d_.paletteLookup.contains(levels)) Widen();
    if (d_.wide) {
        d_.raw.back() = levels;
    } else {
        d_.index.back() = PaletteIndex(levels);
    }
}

void Capture::Append(int64_t position, const Levels& levels) {
    for (size_t i = 0; i < levels.bytes.size(); ++i) d_.everHigh.bytes[i] |= levels.bytes[i];
    auto& starts = d_.starts;
    if (starts.empty()) {
        starts.push_back(0);
        PushLevels(levels);
        return;
    }
    if (position < starts.back()) throw std::invalid_argument("capture runs must be appended in time order");
    const size_t last = starts.size() - 1;
    if (position == starts.back() && last > 0) {
        // The last run is replaced; if it now equals the run before, the two merge.
        if (RunLevels(last - 1) == levels) {
            starts.pop_back();
            if (d_.wide) {
                d_.raw.pop_back();
            } else {
                d_.index.pop_back();
            }
        } else {
            ReplaceLastLevels(levels);
        }
        return;
    }
    if (position == starts.back()) {  // the first run, at sample 0
        ReplaceLastLevels(levels);
        return;
    }
    if (RunLevels(last) == levels) return;
    starts.push_back(position);
    PushLevels(levels);
}

void Capture::SetLevel(int64_t position, int channel, bool level) {
    CheckChannel(channel);
    Levels levels = d_.starts.empty() ? Levels{} : RunLevels(d_.starts.size() - 1);
    levels.Set(channel, level);
    Append(position, levels);
}

void Capture::SetSampleCount(int64_t count) {
    if (!d_.starts.empty() && count <= d_.starts.back())
        throw std::invalid_argument("sample count must exceed the last run's start");
    if (count < 0) throw std::invalid_argument("negative sample count");
    d_.sampleCount = count;
}

void Capture::Reserve(size_t runs) {
    d_.starts.reserve(runs);
    if (d_.wide) {
        d_.raw.reserve(runs);
    } else {
        d_.index.reserve(runs);
    }
}

void Capture::ShrinkToFit() {
    d_.starts.shrink_to_fit();
    d_.raw.shrink_to_fit();
    d_.index.shrink_to_fit();
    d_.palette.shrink_to_fit();
}

// ---- Channel names ---------------------------------------------------------------------------------

void Capture::SetChannelName(int channel, std::string name) {
    CheckChannel(channel);
    if (size_t(channel) >= d_.channelNames.size()) d_.channelNames.resize(size_t(channel) + 1);
    d_.channelNames[size_t(channel)] = std::move(name);
}

const std::string& Capture::ChannelName(int channel) const {
    static const std::string kNone;
    if (channel < 0 || size_t(channel) >= d_.channelNames.size()) return kNone;
    return d_.channelNames[size_t(channel)];
}

int Capture::FindChannel(std::string_view name) const {
    for (size_t i = 0; i < d_.channelNames.size(); ++i) {
        const std::string& candidate = d_.channelNames[i];
        if (candidate.size() == name.size() &&
            std::equal(candidate.begin(), candidate.end(), name.begin(),
                       [](char a, char b) { return AsciiLower(a) == AsciiLower(b); }))
            return int(i);
    }
    return -1;
}

int Capture::ChannelCount() const {
    int count = d_.channelCount;
    for (size_t i = d_.channelNames.size(); i > 0; --i) {
        if (!d_.channelNames[i - 1].empty()) {
            count = std::max(count, int(i));
            break;
        }
    }
    for (int channel = kMaxChannels; channel > 0; --channel) {
        if (d_.everHigh.Get(channel - 1)) {
            count = std::max(count, channel);
            break;
        }
    }
    return count;
}

void Capture::SetChannelCount(int count) {
    if (count < 0 || count > kMaxChannels) throw std::invalid_argument("channel count outside 0..128");
    d_.channelCount = count;
}

// ---- Reading ---------------------------------------------------------------------------------------

int64_t Capture::SampleCount() const {
    if (d_.starts.empty()) return std::max<int64_t>(d_.sampleCount, 0);
    return std::max(d_.sampleCount, d_.starts.back() + 1);
}

size_t Capture::RunAt(int64_t position) const {
    const auto& starts = d_.starts;
    auto after = std::upper_bound(starts.begin(), starts.end(), position);
    return after == starts.begin() ? 0 : size_t(after - starts.begin()) - 1;
}

Levels Capture::LevelsAt(int64_t position) const {
    if (d_.starts.empty()) return Levels{};
    return RunLevels(RunAt(position));
}

int64_t Capture::NextEdge(int64_t position, uint8_t* levels16) const {
    const auto& starts = d_.starts;
    const size_t n = starts.size();
    if (n == 0) {
        std::memset(levels16, 0, 16);
        return -1;
    }
    auto holds = [&](size_t run) {
        return run < n && starts[run] <= position && (run + 1 == n || position < starts[run + 1]);
    };
    size_t run = cursor_.load(std::memory_order_relaxed);
    if (!holds(run)) {
        if (holds(run + 1)) {
            ++run;
        } else {
            run = RunAt(position);
        }
    }
    cursor_.store(run, std::memory_order_relaxed);
    const Levels levels = RunLevels(run);
    std::memcpy(levels16, levels.bytes.data(), 16);
    return run + 1 < n ? starts[run + 1] : -1;
}

size_t Capture::MemoryBytes() const {
    // An unordered_map node holds the pair, a next pointer and a cached hash, plus a bucket slot.
    constexpr size_t kLookupEntry = sizeof(Levels) + 8 + 8 + 8 + 8;
    return d_.starts.capacity() * sizeof(int64_t) + d_.index.capacity() * sizeof(uint16_t) +
           d_.raw.capacity() * sizeof(Levels) + d_.palette.capacity() * sizeof(Levels) +
           d_.paletteLookup.size() * kLookupEntry;
}

Capture Capture::HeaderOnly() const {
    Capture header(d_.sampleRate);
    header.d_.channelNames = d_.channelNames;
    header.d_.channelCount = ChannelCount();
    header.d_.sampleCount = SampleCount();
    return header;
}

}  // namespace hdmi::host
