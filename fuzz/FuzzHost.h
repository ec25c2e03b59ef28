// What the fuzz targets share: a host that drives the statically linked exports the way a host
// application does, and checks the contracts the host relies on. A broken contract aborts, so
// that libFuzzer keeps the input.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Capture.h"
#include "plugin/Exports.h"

namespace hdmi::fuzz {

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "contract broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// Reads the fuzzer's bytes front to back; past the end everything is 0.
class Input {
  public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    uint32_t U32() { return U16() | (static_cast<uint32_t>(U16()) << 16); }
    size_t Remaining() const { return size_ - pos_; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

inline const host::Capture*& CurrentCapture() {
    static const host::Capture* capture = nullptr;
    return capture;
}

struct ReportLines {
    std::vector<std::string> lines;
    int endCalls = 0;
    size_t abortAfter = 0;  // raise the abort flag after this many lines (0: never)
    volatile uint32_t* abortFlag = nullptr;
};
inline ReportLines& Sink() {
    static ReportLines sink;
    return sink;
}

// One line as the host receives it: a header or a row, CR LF at the end and nowhere else.
inline void CheckLine(const char* line, size_t length, bool header) {
    FUZZ_CHECK(length >= 4);
    FUZZ_CHECK(line[length - 2] == '\r' && line[length - 1] == '\n');
    for (size_t i = 0; i + 2 < length; ++i) FUZZ_CHECK(line[i] != '\r' && line[i] != '\n' && line[i] != '\0');
    FUZZ_CHECK(std::strncmp(line, header ? "||" : "|@", 2) == 0);
}

inline uint32_t SinkLine(const char* line, uint32_t length) {
    ReportLines& sink = Sink();
    if (line == nullptr) {
        FUZZ_CHECK(length == 0);
        ++sink.endCalls;
        return 0;
    }
    FUZZ_CHECK(sink.endCalls == 0);
    CheckLine(line, length, sink.lines.empty());
    sink.lines.emplace_back(line, length);
    if (sink.abortAfter != 0 && sink.lines.size() >= sink.abortAfter && sink.abortFlag != nullptr)
        *sink.abortFlag = 1;
    return length;
}

inline int64_t CaptureEdge(int64_t position, uint8_t* levels) {
    return CurrentCapture()->NextEdge(position, levels);
}
inline uint8_t Proceed() {
    return 0;
}

// The temporary folder every target gives the plug-in once.
inline void SetUpTemporaryFolder() {
    static std::string folder;
    if (!folder.empty()) return;
    char pattern[] = "/tmp/hdmi_fuzz_XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    folder = std::string(pattern) + "/";
    SetMsgInfo(0, folder.data());
}

// Reads a named report section as a host does and checks it: NUL-terminated inside its size,
// lines well formed. Removes the name afterwards (the plug-in keeps its handle).
inline size_t CheckSection(const char* name) {
    const std::string shmName = std::string("/") + name;
    const int fd = shm_open(shmName.c_str(), O_RDONLY, 0);
    FUZZ_CHECK(fd >= 0);
    struct stat info {};
    FUZZ_CHECK(fstat(fd, &info) == 0 && info.st_size > 0);
    const size_t size = static_cast<size_t>(info.st_size);
    void* view = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    FUZZ_CHECK(view != MAP_FAILED);
    const char* text = static_cast<const char*>(view);
    const size_t length = strnlen(text, size);
    FUZZ_CHECK(length < size);
    size_t lines = 0;
    for (size_t start = 0; start < length;) {
        const char* end = static_cast<const char*>(std::memchr(text + start, '\n', length - start));
        FUZZ_CHECK(end != nullptr);
        const size_t lineLength = static_cast<size_t>(end - (text + start)) + 1;
        CheckLine(text + start, lineLength, lines == 0);
        ++lines;
        start += lineLength;
    }
    munmap(view, size);
    close(fd);
    return lines;
}

// Runs Analysis with the settings already in `context` over `capture`, then DataConv on every
// packet, checking what the host relies on. Returns the number of entries.
inline uint32_t AnalyseAndCheck(HostDecodeContext& context, const host::Capture& capture, bool sinkMode,
                                int32_t labelSize, size_t abortAfterLines = 0) {
    CurrentCapture() = &capture;
    context.NextEdge = CaptureEdge;
    context.BeginDecode = Proceed;
    Sink() = ReportLines{};
    Sink().abortFlag = context.AbortFlag;
    Sink().abortAfter = abortAfterLines;
    context.ReportLineSink = sinkMode ? SinkLine : nullptr;
    const uint32_t entries = Analysis(&context);
    if (entries == 0) return 0;
    FUZZ_CHECK(entries % 3 == 1);
    const uint32_t* words = context.PacketWordsView;
    const int64_t* positions = context.PacketPositionsView;
    FUZZ_CHECK(words != nullptr && positions != nullptr);
    FUZZ_CHECK(words[0] == 10 && positions[0] == 0);
    FUZZ_CHECK(words[entries - 1] == 10);
    for (uint32_t i = 0; i + 1 < entries; i += 3) {
        FUZZ_CHECK(words[i] <= 10 && words[i + 1] == 0);
        FUZZ_CHECK(positions[i] == positions[i + 1] && positions[i] == positions[i + 2]);
        if (i > 0) FUZZ_CHECK(positions[i - 3] <= positions[i]);
        std::vector<char> text(static_cast<size_t>(labelSize > 0 ? labelSize : 1) + 8, '\x7F');
        const uint32_t item[4] = {3, words[i], words[i + 1], words[i + 2]};
        DataConv(&context, item, text.data(), labelSize);
        for (size_t k = static_cast<size_t>(labelSize > 0 ? labelSize : 0); k < text.size(); ++k)
            FUZZ_CHECK(text[k] == '\x7F');  // nothing written past the host's buffer
    }
    const uint32_t closing[4] = {1, 10, 0, 0};
    char text[8];
    FUZZ_CHECK(DataConv(&context, closing, text, sizeof text) == 0 || (context.HostFlags & 2) == 0);
    if (context.ReportName[0] != '\0') {
        if (sinkMode) {
            FUZZ_CHECK(Sink().endCalls == 1);
        } else {
            CheckSection(context.ReportName);
        }
    }
    return entries;
}

}  // namespace hdmi::fuzz
