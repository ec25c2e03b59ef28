// Scale: Analysis over captures of up to 10^9 level changes and reports of 10^7 rows, through
// the exports, with the capture generated on the fly (a hot-plug's traffic repeated), so that the
// only memory that could grow with the length is the plug-in's. One length per process, so that
// the peak resident memory it prints belongs to that length alone; bench/scale.sh runs the set.
//
//   scale_bench decode CHANGES    decode only: time, packet entries, packet-file bytes, peak RSS
//   scale_bench report ROWS       decode and report into a section: rows, section size, whether
//                                 every line is whole and the text ends inside the section
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "BusSynth.h"
#include "Session.h"

namespace {

using namespace hdmi;

// One period of traffic repeated: the levels at the end of a period equal those at its start
// (an idle bus), so a period boundary is no edge.
class RepeatingSource final : public host::EdgeSource {
  public:
    RepeatingSource(host::Capture period, int64_t repeats)
        : period_(std::move(period)), length_(period_.SampleCount()), repeats_(repeats) {}

    int64_t NextEdge(int64_t position, uint8_t* levels16) const override {
        position = std::clamp<int64_t>(position, 0, SampleCount() - 1);
        const int64_t k = position / length_;
        const int64_t next = period_.NextEdge(position % length_, levels16);
        if (next >= 0) return k * length_ + next;
        return k + 1 < repeats_ ? (k + 1) * length_ + period_.RunStart(1) : -1;
    }
    int64_t SampleCount() const override { return length_ * repeats_; }
    int64_t SampleRate() const override { return period_.SampleRate(); }
    int64_t Changes() const { return int64_t(period_.RunCount() - 1) * repeats_; }

  private:
    host::Capture period_;
    int64_t length_;
    int64_t repeats_;
};

// A hot-plug's traffic: EDID base block, HDCP Bksv and Ri', SCDC status, then idle.
host::Capture Period() {
    host::BusSynth bus(10'000'000, 400'000);
    std::vector<uint8_t> edid(128);
    const uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x10, 0xAC, 0x01, 0x02};
    std::copy(std::begin(header), std::end(header), edid.begin());
    for (int i = 12; i < 127; ++i) edid[size_t(i)] = uint8_t(i * 37 + 11);
    bus.idle(20'000);
    host::ddc::EdidRead(bus, edid);
    bus.idle(20'000);
    const uint8_t bksv[] = {0x51, 0x1E, 0xF2, 0x1A, 0xCD};
    host::ddc::HdcpRead(bus, 0, 0x00, bksv);
    const uint8_t ri[] = {0x3A, 0x9C};
    host::ddc::HdcpRead(bus, 0, 0x08, ri);
    bus.idle(20'000);
    const uint8_t flags[] = {0x01, 0x00};
    host::ddc::ScdcRead(bus, 0x10, flags);
    bus.idle(20'000);
    return bus.Take();
}

int64_t PeakRssBytes() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    int64_t kib = -1;
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::atoll(line + 6);
    std::fclose(status);
    return kib * 1024;
}

int64_t FolderBytes(const std::string& folder) {
    int64_t bytes = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        bytes += int64_t(entry.file_size(error));
    return bytes;
}

struct SectionCheck {
    uint64_t size = 0;
    uint64_t textBytes = 0;
    int64_t lines = 0;
    bool terminated = false;
    bool wholeLines = true;
};

SectionCheck CheckSection(const std::string& name) {
    SectionCheck check;
    const int fd = shm_open(("/" + name).c_str(), O_RDONLY, 0);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || info.st_size <= 0) return check;
    check.size = uint64_t(info.st_size);
    const char* text = static_cast<const char*>(mmap(nullptr, check.size, PROT_READ, MAP_SHARED, fd, 0));
    close(fd);
    if (text == MAP_FAILED) return check;
    check.textBytes = strnlen(text, check.size);
    check.terminated = check.textBytes < check.size;
    for (uint64_t start = 0; start < check.textBytes;) {
        const void* lf = std::memchr(text + start, '\n', check.textBytes - start);
        if (!lf) {
            check.wholeLines = false;
            break;
        }
        const uint64_t end = uint64_t(static_cast<const char*>(lf) - text);
        if (end == start || text[end - 1] != '\r') check.wholeLines = false;
        ++check.lines;
        start = end + 1;
    }
    munmap(const_cast<char*>(text), check.size);
    return check;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    const int64_t wanted = argc == 3 ? std::atoll(argv[2]) : 0;
    if ((mode != "decode" && mode != "report") || wanted <= 0) {
        std::fprintf(stderr, "usage: scale_bench decode CHANGES | report ROWS\n");
        return 2;
    }
    auto plugin = host::Plugin::Load();
    host::Session session(plugin);
    session.Init();
    session.Defaults();

    // The first Analysis of a process waits for the packet files' names (a second apart); that
    // wait is not what is measured here.
    {
        const host::Capture warmUp = host::BusSynth(1'000'000, 100'000).start().byte(0xA0).stop().Build();
        session.SetReportOutput(host::ReportOutput::None);
        session.SetCapture(warmUp);
        session.Analyze();
    }
    host::Capture period = Period();
    const int64_t perPeriod = int64_t(period.RunCount() - 1);
    int64_t repeats = 0;
    if (mode == "decode") {
        repeats = (wanted + perPeriod - 1) / perPeriod;
        session.SetReportOutput(host::ReportOutput::None);
    } else {
        // Rows per period, from the report of one period.
        session.SetReportOutput(host::ReportOutput::Sink);
        session.SetCapture(period);
        session.Analyze();
        const int64_t rowsPerPeriod = int64_t(session.LastReport().lines.size()) - 1;
        repeats = (wanted + rowsPerPeriod - 1) / rowsPerPeriod;
        session.SetReportOutput(host::ReportOutput::Section);
    }
    const RepeatingSource source(std::move(period), repeats);
    session.SetCapture(source);
    const auto started = std::chrono::steady_clock::now();
    const uint32_t entries = session.Analyze();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const int64_t files = FolderBytes(plugin->TempFolder());
    std::printf(
        "%s: %lld level changes, %.2f s (%.1f M changes/s), %u packet entries (low 32 bits), "
        "packet files %.1f MiB",
        mode.c_str(), (long long)source.Changes(), seconds, double(source.Changes()) / seconds / 1e6, entries,
        double(files) / (1 << 20));
    if (mode == "report") {
        const SectionCheck section = CheckSection(session.ReportName());
        std::printf(", report %lld rows, section %.1f MiB, text %.1f MiB, %s, %s",
                    (long long)(section.lines - 1), double(section.size) / (1 << 20),
                    double(section.textBytes) / (1 << 20),
                    section.terminated ? "ends inside the section" : "NOT TERMINATED",
                    section.wholeLines ? "every line whole" : "A LINE IS CUT");
        if (!section.terminated || !section.wholeLines) {
            std::printf("\n");
            return 1;
        }
    }
    std::printf(", peak RSS %.1f MiB\n", double(PeakRssBytes()) / (1 << 20));
    return entries > 0 ? 0 : 1;
}
