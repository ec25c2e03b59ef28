// Bus transactions (addresses, directions, bytes, acknowledge bits, stops or repeated starts)
// synthesized into a waveform, so that the fuzzer spends its time in the classifier and the
// table interpreters rather than in bit timing.
#include <cstdint>
#include <memory>

#include "BusSynth.h"
#include "FuzzHost.h"

using namespace hdmi;

namespace {

// Write addresses of the DDC targets, and a few others.
constexpr uint8_t kAddresses[] = {0x60, 0xA0, 0xA0, 0x74, 0x76, 0xA8, 0xA8, 0x80};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::SetUpTemporaryFolder();
    fuzz::Input in(data, size);
    auto context = std::make_unique<HostDecodeContext>();
    volatile uint32_t abortFlag = 0;
    context->AbortFlag = &abortFlag;
    DefaultSettings(context.get());

    const uint8_t settings = in.Byte();
    if (settings & 1) context->DecodeFlags |= kDecodeEightBit;
    if (settings & 2) context->DecodeFlags |= kDecodeStatistics;
    const bool sinkMode = settings & 4;
    std::snprintf(context->ReportName, sizeof context->ReportName, "hdmi_fuzzt_%d", getpid());
    context->HostFlags = kHostFlagLabels;

    host::BusSynth bus(1'000'000, 250'000);
    bool open = false;
    for (int transaction = 0; transaction < 48 && in.Remaining() > 0; ++transaction) {
        const uint8_t head = in.Byte();
        uint8_t address = (head & 7) == 7 ? in.Byte() : kAddresses[head & 7];
        if (head & 0x08) address |= 1;  // read
        const int count = in.Byte() % 40;
        const uint8_t nackMask = in.Byte();
        if (open)
            bus.restart();
        else
            bus.start();
        bus.byte(address, !(head & 0x10));
        for (int i = 0; i < count; ++i) {
            const bool last = i == count - 1;
            // A master ends a read with a NACK; the fuzzer may acknowledge or refuse any byte.
            bool ack = (address & 1) ? !last : true;
            if (nackMask & (1u << (i % 8)) && (head & 0x20)) ack = !ack;
            bus.byte(in.Byte(), ack);
        }
        open = head & 0x40;  // the next transfer follows a repeated start
        if (!open) bus.stop();
    }
    if (open) bus.stop();
    host::Capture capture = bus.Take();
    context->SampleRate = capture.SampleRate();
    context->MarkerPositions[0] = capture.SampleCount();
    fuzz::AnalyseAndCheck(*context, capture, sinkMode, 16);
    return 0;
}
