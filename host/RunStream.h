// A capture that is decoded while it is read: the reader pushes runs on one thread, the plug-in
// walks them through NextEdge on another, and only a bounded window of runs is ever held, so the
// memory of a decode no longer grows with the capture.
//
//   RunStream stream(sampleRate, sampleCount);
//   producer:  stream.Push(position, levels) ... stream.Close();   (or Close(error))
//   consumer:  stream.NextEdge(...) as the plug-in's edge source
//   either:    stream.Stop() ends both: Push throws ReadCancelled, NextEdge reports the end
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <vector>

#include "Capture.h"

namespace hdmi::host {

class RunStream final : public EdgeSource {
  public:
    // `capacity`: runs waiting in the window at most (the decoder holds up to as many more, taken
    // from it in one go).
    RunStream(int64_t sampleRate, int64_t sampleCount, size_t capacity = 64 * 1024);

    // ---- Producer ----
    // The next run, after every earlier one. Blocks while the window is full; throws
    // ReadCancelled once the stream is stopped.
    void Push(int64_t position, const Levels& levels);
    // No more runs; `error` (if any) is what ended the reading early, for Error().
    void Close(std::exception_ptr error = nullptr);

    // ---- Consumer ----
    // Positions must not go back before the run the previous call answered from; a query that
    // does is answered from that run and noted (WentBack) rather than guessed at.
    int64_t NextEdge(int64_t position, uint8_t* levels16) const override;
    int64_t SampleCount() const override { return sampleCount_; }
    int64_t SampleRate() const override { return sampleRate_; }

    // ---- Either side ----
    void Stop();
    std::exception_ptr Error() const;
    bool WentBack() const { return wentBack_; }
    // The most runs that were ever waiting between the two sides.
    size_t PeakHeld() const;

  private:
    struct Run {
        int64_t position;
        Levels levels;
    };
    // Moves the producer's batch into the window (lock held).
    void Publish(std::unique_lock<std::mutex>& lock);
    // The run after the current one, waiting for the producer; false at the end of the stream.
    bool Advance() const;

    const int64_t sampleRate_;
    const int64_t sampleCount_;
    const size_t capacity_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    mutable std::vector<Run> window_;  // published, not yet taken by the consumer
    bool closed_ = false;
    bool stopped_ = false;                  // guarded by mutex_
    std::atomic<bool> stoppedSeen_{false};  // the same, for the consumer's fast path
    std::exception_ptr error_;
    mutable size_t peakHeld_ = 0;

    std::vector<Run> batch_;  // producer side: pushed, not yet published
    Levels lastPushed_;
    bool pushedAny_ = false;

    // Consumer side: runs taken from the window in one go, and the run the last answer came
    // from and the one after it.
    mutable std::vector<Run> taken_;
    mutable size_t nextTaken_ = 0;
    mutable Run current_{0, {}};
    mutable Run next_{0, {}};
    mutable bool started_ = false;
    mutable bool haveNext_ = false;
    mutable bool wentBack_ = false;
};

}  // namespace hdmi::host
