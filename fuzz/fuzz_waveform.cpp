// Any settings a host may hand over and any pattern of edges on any channels, through the exports.
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "FuzzHost.h"

using namespace hdmi;

namespace {

constexpr int64_t kRates[] = {1'000'000, 10'000'000, 199'999'999, 200'000'000, 1'000'000'000};

host::Capture WaveformFrom(fuzz::Input& in, int scl, int sda, int other, int64_t rate) {
    host::Capture capture(rate);
    host::Levels levels;
    levels.Set(scl, true);
    levels.Set(sda, true);
    int64_t position = 0;
    capture.Append(0, levels);
    while (in.Remaining() >= 2) {
        const uint8_t step = in.Byte();
        const uint8_t change = in.Byte();
        // Mostly short steps (bit timing), now and then a long idle stretch.
        position += (step & 0x80) ? int64_t{step & 0x7F} * 1000 + 1 : int64_t{step % 8} + 1;
        if (change & 1) levels.Set(scl, !levels.Get(scl));
        if (change & 2) levels.Set(sda, !levels.Get(sda));
        if (change & 4) levels.Set(other, !levels.Get(other));
        capture.Append(position, levels);
    }
    capture.SetSampleCount(position + 1 + (position % 7));
    return capture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::SetUpTemporaryFolder();
    fuzz::Input in(data, size);
    auto context = std::make_unique<HostDecodeContext>();
    volatile uint32_t abortFlag = 0;
    context->AbortFlag = &abortFlag;
    DefaultSettings(context.get());

    const int scl = in.Byte() % 128;
    const int sda = in.Byte() % 128;
    const int other = in.Byte() % 128;
    context->ChannelMap[0] = scl;
    context->ChannelMap[1] = sda;
    context->DecodeFlags = in.U16() & 0x0EFF;
    context->HostFlags = in.U16();
    const uint8_t mode = in.Byte();
    const bool sinkMode = mode & 1;
    const bool report = mode & 2;
    // Continuous mode keeps the report running until the host aborts: only the sink can stop it.
    context->ContinuousMode = (sinkMode && (mode & 4)) ? 1 : 0;
    if (report) std::snprintf(context->ReportName, sizeof context->ReportName, "hdmi_fuzz_%d", getpid());
    const int64_t rate = kRates[in.Byte() % 5];
    const int32_t labelSize = static_cast<int32_t>(in.Byte() % 40);
    uint8_t markerBytes[8];
    for (uint8_t& b : markerBytes) b = in.Byte();

    host::Capture capture = WaveformFrom(in, scl, sda, other, rate);
    context->SampleRate = rate;
    const int64_t count = capture.SampleCount();
    context->MarkerPositions[0] = count;
    for (int i = 1; i < 7; ++i) context->MarkerPositions[i] = (count * markerBytes[i]) / 200 - 5;
    context->ValidFirstSample = markerBytes[7] & 1 ? count / 8 : 0;
    context->ValidLastSample = markerBytes[7] & 2 ? count - count / 8 : 0;

    // In continuous mode the report runs until the host aborts: after some lines, or after a
    // moment when the rows past the stored packets make none.
    std::thread watchdog;
    if (context->ContinuousMode != 0) {
        watchdog = std::thread([&abortFlag] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            abortFlag = 1;
        });
    }
    fuzz::AnalyseAndCheck(*context, capture, sinkMode, labelSize, context->ContinuousMode != 0 ? 200 : 0);
    if (watchdog.joinable()) watchdog.join();
    if (context->ContinuousMode != 0) FUZZ_CHECK((context->DecodeFlags & (1u << 11)) == 0);
    DeleteNotify();
    return 0;
}
