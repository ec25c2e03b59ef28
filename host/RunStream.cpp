#include "RunStream.h"

#include <algorithm>

#include "CaptureFile.h"

namespace hdmi::host {

namespace {
// Runs handed over per lock: few enough to keep the decoder fed, many enough that locking is
// rare.
constexpr size_t kBatch = 1024;
}  // namespace

RunStream::RunStream(int64_t sampleRate, int64_t sampleCount, size_t capacity)
    : sampleRate_(sampleRate), sampleCount_(sampleCount), capacity_(std::max(capacity, 2 * kBatch)) {
    batch_.reserve(kBatch);
}

void RunStream::Publish(std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [&] { return stopped_ || window_.size() + batch_.size() <= capacity_; });
    if (stopped_) throw ReadCancelled();
    window_.insert(window_.end(), batch_.begin(), batch_.end());
    peakHeld_ = std::max(peakHeld_, window_.size());
    batch_.clear();
    changed_.notify_all();
}

void RunStream::Push(int64_t position, const Levels& levels) {
    // Readers start every part of a file with its levels, changed or not; only changes are runs.
    if (pushedAny_ && levels == lastPushed_) return;
    pushedAny_ = true;
    lastPushed_ = levels;
    batch_.push_back({position, levels});
    if (batch_.size() < kBatch) return;
    std::unique_lock lock(mutex_);
    Publish(lock);
}

void RunStream::Close(std::exception_ptr error) {
    std::unique_lock lock(mutex_);
    if (!batch_.empty() && !stopped_) {  // what was read before an error still counts
        try {
            Publish(lock);
        } catch (const ReadCancelled&) {
        }
    }
    batch_.clear();
    error_ = error;
    closed_ = true;
    changed_.notify_all();
}

void RunStream::Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    stoppedSeen_ = true;
    window_.clear();
    window_.shrink_to_fit();
    changed_.notify_all();
}

std::exception_ptr RunStream::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

size_t RunStream::PeakHeld() const {
    std::lock_guard lock(mutex_);
    return peakHeld_;
}

bool RunStream::Advance() const {
    if (stoppedSeen_) return false;
    if (nextTaken_ == taken_.size()) {
        // Everything published so far, under one lock and one wake-up of the reader.
        taken_.clear();
        nextTaken_ = 0;
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopped_ || closed_ || !window_.empty(); });
        if (stopped_ || window_.empty()) return false;
        taken_.swap(window_);
        changed_.notify_all();
    }
    next_ = taken_[nextTaken_++];
    return true;
}

int64_t RunStream::NextEdge(int64_t position, uint8_t* levels16) const {
    if (!started_) {
        started_ = true;
        if (!Advance()) {  // an empty stream reads as one idle run
            std::fill(levels16, levels16 + 16, uint8_t{0});
            return -1;
        }
        current_ = next_;
        current_.position = 0;  // a capture has levels from its first sample on
        haveNext_ = Advance();
    }
    if (position < current_.position) wentBack_ = true;
    if (stoppedSeen_) haveNext_ = false;  // stopped: nothing follows
    while (haveNext_ && next_.position <= position) {
        current_ = next_;
        haveNext_ = Advance();
    }
    std::copy(current_.levels.bytes.begin(), current_.levels.bytes.end(), levels16);
    return haveNext_ && next_.position < sampleCount_ ? next_.position : -1;
}

}  // namespace hdmi::host
