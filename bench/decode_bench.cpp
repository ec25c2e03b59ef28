// Analysis over long synthesized DDC captures, through the exports as a host calls them, with the
// capture served from memory. Counters: edges per second, and the process's peak memory beyond
// the capture itself (which must not grow with the capture's length: the packet streams spill to
// their files).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <map>
#include <memory>
#include <vector>

#include "BusSynth.h"
#include "Session.h"

namespace {

using namespace hdmi;

size_t gCaptureBytes = 0;  // every capture the benchmarks hold

// EDID base-block reads, one after another, until the capture holds `edges` level changes.
const host::Capture& DdcCapture(int64_t edges) {
    static std::map<int64_t, std::unique_ptr<host::Capture>> cache;
    auto& slot = cache[edges];
    if (!slot) {
        std::vector<uint8_t> edid(128);
        for (int i = 0; i < 128; ++i) edid[i] = static_cast<uint8_t>(i * 37 + 11);
        host::BusSynth one(10'000'000, 400'000);
        host::ddc::EdidRead(one, edid, 0);
        const int64_t perRead = static_cast<int64_t>(one.Build().RunCount());
        host::BusSynth bus(10'000'000, 400'000);
        for (int64_t made = 0; made < edges; made += perRead) host::ddc::EdidRead(bus, edid, 0);
        slot = std::make_unique<host::Capture>(bus.Take());
        slot->ShrinkToFit();
        gCaptureBytes += slot->MemoryBytes();
    }
    return *slot;
}

// Resident and peak resident memory of this process, in bytes, from /proc/self/status.
int64_t StatusBytes(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return -1;
    char line[256];
    int64_t kib = -1;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::strncmp(line, field, length) == 0) kib = std::atoll(line + length + 1);
    std::fclose(status);
    return kib * 1024;
}

// Resets the peak-resident mark, so that the next reading shows the peak of what follows.
void ResetPeak() {
    if (std::FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", refs);
        std::fclose(refs);
    }
}

void BM_Analysis(benchmark::State& state) {
    const host::Capture& capture = DdcCapture(state.range(0));
    static std::shared_ptr<host::Plugin> plugin = host::Plugin::Load();
    host::Session session(plugin);
    session.Init();
    session.Defaults();
    session.SetReportOutput(host::ReportOutput::None);
    session.SetCapture(capture);
    uint32_t entries = session.Analyze();  // warm-up: the packet files exist from here on
    ResetPeak();
    for (auto _ : state) {
        entries = session.Analyze();
        benchmark::DoNotOptimize(entries);
    }
    const int64_t edges = static_cast<int64_t>(capture.RunCount());
    state.SetItemsProcessed(state.iterations() * edges);
    state.counters["edges"] = static_cast<double>(edges);
    state.counters["edges_per_s"] =
        benchmark::Counter(static_cast<double>(edges), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["packet_entries"] = entries;
    state.counters["capture_MiB"] = static_cast<double>(capture.MemoryBytes()) / (1 << 20);
    state.counters["peak_rss_MiB"] = static_cast<double>(StatusBytes("VmHWM:")) / (1 << 20);
    // What the process needs beyond the captures it holds: the same for every capture length.
    state.counters["peak_beyond_captures_MiB"] =
        static_cast<double>(StatusBytes("VmHWM:") - static_cast<int64_t>(gCaptureBytes)) / (1 << 20);
}
BENCHMARK(BM_Analysis)->Arg(10'000'000)->Arg(20'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
