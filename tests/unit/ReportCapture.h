// What a host receives from the report writer, for the report tests: the lines handed to a
// ReportLineSink, or the text of the named section read back by name after the report.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/HostRecords.h"

namespace hdmi::testing {

// One sink for the whole test program: the callback carries no context.
struct SinkRecord {
    std::vector<std::string> lines;  // each as handed over, CR LF included
    int endCalls = 0;                // calls with (null, 0)
    bool lineAfterEnd = false;
    bool lengthMismatch = false;  // the length did not match the NUL-terminated text
    int abortAfterLines = -1;     // raise *abortFlag when this many lines have arrived
    volatile uint32_t* abortFlag = nullptr;
    const HostDecodeContext* context = nullptr;  // when set, Progress is sampled at every line
    std::vector<uint32_t> progress;
};

inline SinkRecord& Sink() {
    static SinkRecord record;
    return record;
}

// Lines received so far, readable from another thread.
inline std::atomic<int>& LinesSeen() {
    static std::atomic<int> count{0};
    return count;
}

inline uint32_t CollectLine(const char* line, uint32_t length) {
    SinkRecord& sink = Sink();
    ++LinesSeen();
    if (line == nullptr) {
        ++sink.endCalls;
        return 0;
    }
    if (sink.endCalls > 0) sink.lineAfterEnd = true;
    if (std::strlen(line) != length) sink.lengthMismatch = true;
    sink.lines.emplace_back(line, length);
    if (sink.context != nullptr) sink.progress.push_back(sink.context->Progress);
    if (sink.abortFlag != nullptr && static_cast<int>(sink.lines.size()) == sink.abortAfterLines)
        *sink.abortFlag = 1;
    return 1;
}

inline void ResetSink() {
    Sink() = SinkRecord{};
    LinesSeen() = 0;
}

inline std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line;
    return text;
}

// The text of the named section up to its NUL, and the section's size; present = false when no
// section of that name exists.
struct SectionText {
    bool present = false;
    bool terminated = false;
    uint64_t size = 0;
    std::string text;
};

inline SectionText ReadSection(const char* reportName) {
    SectionText result;
    const std::string name = std::string("/") + reportName;
    const int fd = shm_open(name.c_str(), O_RDONLY, 0);
    if (fd < 0) return result;
    struct stat info {};
    if (fstat(fd, &info) == 0 && info.st_size > 0) {
        void* view = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_SHARED, fd, 0);
        if (view != MAP_FAILED) {
            const char* text = static_cast<const char*>(view);
            const size_t length = strnlen(text, static_cast<size_t>(info.st_size));
            result.present = true;
            result.terminated = length < static_cast<size_t>(info.st_size);
            result.size = static_cast<uint64_t>(info.st_size);
            result.text.assign(text, length);
            munmap(view, static_cast<size_t>(info.st_size));
        }
    }
    close(fd);
    return result;
}

// Splits a report text into its lines, each keeping its CR LF.
inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find("\r\n", begin);
        end = end == std::string::npos ? text.size() : end + 2;
        lines.push_back(text.substr(begin, end - begin));
        begin = end;
    }
    return lines;
}

// The cells of a row line, unquoted and unescaped; a cell written as a lone blank is empty.
inline std::vector<std::string> CellsOf(const std::string& line) {
    std::vector<std::string> cells;
    const size_t clock = line.find("|@", 2);
    if (line.rfind("|@", 0) != 0 || clock == std::string::npos) return cells;
    size_t at = line.find(',', clock);
    while (at != std::string::npos && at + 1 < line.size() && line[at + 1] == '"') {
        std::string cell;
        size_t k = at + 2;
        for (; k < line.size() && line[k] != '"'; ++k) {
            if (line[k] == '\\' && k + 1 < line.size()) ++k;
            cell += line[k];
        }
        cells.push_back(cell == " " ? "" : cell);
        at = k + 1 < line.size() && line[k + 1] == ',' ? k + 1 : std::string::npos;
    }
    return cells;
}

// A unique section name per test, so parallel test runs do not meet.
inline std::string SectionName(const char* what) {
    return std::string("hdmi_t_") + what + "_" + std::to_string(getpid());
}

inline void SetReportName(HostDecodeContext& context, const std::string& name) {
    std::memset(context.ReportName, 0, sizeof context.ReportName);
    std::memcpy(context.ReportName, name.data(), std::min(name.size(), sizeof context.ReportName - 1));
}

}  // namespace hdmi::testing
