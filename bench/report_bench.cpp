// Report generation into the shared section: RunReport over the packets of many EDID base-block
// reads (offset write, repeated start, 128-byte read), as Analysis runs it after a decode. The
// packet streams are file-backed and mapped, as after a real decode. Counter: report rows per
// second on one core.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ddc/DdcDecoder.h"
#include "i2c/DdcPacket.h"
#include "plugin/HostInfoStore.h"

namespace {

using namespace hdmi;

// A digital 1080p display: detailed timing, range limits, name and serial descriptors.
std::vector<uint8_t> BaseBlock() {
    std::vector<uint8_t> block = {
        0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x10, 0xAC, 0x42, 0x41, 0x4C, 0x33, 0x30, 0x30,
        0x0C, 0x1E, 0x01, 0x04, 0xB5, 0x3C, 0x22, 0x78, 0x3A, 0xEE, 0x95, 0xA3, 0x54, 0x4C, 0x99, 0x26,
        0x0F, 0x50, 0x54, 0xA5, 0x4B, 0x00, 0x71, 0x4F, 0x81, 0x80, 0xA9, 0xC0, 0xD1, 0xC0, 0x01, 0x01,
        0x01, 0x01, 0x01, 0x01, 0x02, 0x3A, 0x80, 0x18, 0x71, 0x38, 0x2D, 0x40, 0x58, 0x2C, 0x45, 0x00,
        0x56, 0x50, 0x21, 0x00, 0x00, 0x1E, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x42, 0x45, 0x4E, 0x43, 0x48,
        0x30, 0x30, 0x30, 0x31, 0x0A, 0x20, 0x20, 0x20, 0x00, 0x00, 0x00, 0xFC, 0x00, 0x42, 0x65, 0x6E,
        0x63, 0x68, 0x20, 0x44, 0x69, 0x73, 0x70, 0x6C, 0x61, 0x79, 0x00, 0x00, 0x00, 0xFD, 0x00, 0x30,
        0x4B, 0x1E, 0x53, 0x15, 0x00, 0x0A, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x00, 0x00,
    };
    uint8_t sum = 0;
    for (uint8_t b : block) sum = static_cast<uint8_t>(sum + b);
    block.push_back(static_cast<uint8_t>(0x100 - sum));
    return block;
}

class Streams {
  public:
    explicit Streams(CDdcDecoder& decoder) : decoder_(decoder) {}
    void Packet(uint32_t kind, uint32_t value) {
        for (uint32_t word : {kind, 0u, value}) {
            decoder_.words.Append(word);
            decoder_.positions.Append(position_);
        }
        position_ += 25;  // 400 kHz at 10 MS/s: a few samples per event
    }
    void EdidRead(const std::vector<uint8_t>& block) {
        Packet(Start, 0);
        Packet(Address, 0x50), Packet(ReadWrite, 0), Packet(Ack, 0);
        Packet(Data, 0x00), Packet(Ack, 0);
        Packet(RepeatedStart, 0);
        Packet(Address, 0x50), Packet(ReadWrite, 1), Packet(Ack, 0);
        for (size_t k = 0; k < block.size(); ++k) Packet(Data, block[k]), Packet(Ack, k + 1 == block.size());
        Packet(Stop, 0), Packet(Idle, 0);
    }
    void Close() {
        decoder_.words.Append(Idle);
        decoder_.positions.Append(position_);
    }

  private:
    CDdcDecoder& decoder_;
    int64_t position_ = 0;
};

// Report rows in the named section: the lines after the header.
int64_t SectionRows(const char* reportName) {
    const std::string name = std::string("/") + reportName;
    const int fd = shm_open(name.c_str(), O_RDONLY, 0);
    if (fd < 0) return -1;
    struct stat info {};
    int64_t lines = -1;
    if (fstat(fd, &info) == 0 && info.st_size > 0) {
        const size_t size = static_cast<size_t>(info.st_size);
        void* view = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        if (view != MAP_FAILED) {
            const char* text = static_cast<const char*>(view);
            const size_t length = strnlen(text, size);
            lines = 0;
            for (size_t k = 0; k + 1 < length; ++k) lines += text[k] == '\r' && text[k + 1] == '\n';
            munmap(view, size);
        }
    }
    close(fd);
    return lines - 1;
}

void BM_ReportIntoSection(benchmark::State& state) {
    const int reads = static_cast<int>(state.range(0));
    char folder[] = "/tmp/hdmi_report_bench_XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    StoreHostInfo(0, (std::string(folder) + "/").c_str());
    {
        CDdcDecoder decoder;
        if (!decoder.words.Reset() || !decoder.positions.Reset()) {
            state.SkipWithError("packet files could not be made");
            std::filesystem::remove_all(folder);
            return;
        }
        Streams streams(decoder);
        streams.Packet(Idle, 0);
        const std::vector<uint8_t> block = BaseBlock();
        for (int k = 0; k < reads; ++k) streams.EdidRead(block);
        streams.Close();
        decoder.words.Finish();
        decoder.positions.Finish();

        HostDecodeContext context{};
        volatile uint32_t abortFlag = 0;
        context.AbortFlag = &abortFlag;
        std::snprintf(context.ReportName, sizeof context.ReportName, "hdmi_bench_%d",
                      static_cast<int>(getpid()));

        for (auto _ : state) decoder.RunReport(context);

        const int64_t rows = SectionRows(context.ReportName);
        state.counters["reads"] = reads;
        state.counters["rows"] = static_cast<double>(rows);
        state.counters["entries"] = static_cast<double>(decoder.positions.Count());
        state.counters["rows_per_second"] = benchmark::Counter(
            static_cast<double>(rows) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
        if (rows <= 0) state.SkipWithError("the report has no rows");
    }
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_ReportIntoSection)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
