// What the file-reader targets share: the input written to a file (the readers take paths, as
// hdmi-ddc hands them what the user named) and the invariants every capture that was read keeps.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Capture.h"
#include "CaptureFile.h"
#include "FuzzHost.h"

namespace hdmi::fuzz {

// One file per process, rewritten for every input; in /dev/shm when there is one, so that the
// file system costs nothing.
inline const std::string& InputPath(const char* extension) {
    static std::string path;
    if (path.empty()) {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        path = std::string(base) + "/hdmi_fuzz_input_" + std::to_string(getpid()) + extension;
        std::atexit([] { std::remove(path.c_str()); });
    }
    return path;
}

inline const std::string& WriteInput(const uint8_t* data, size_t size, const char* extension) {
    const std::string& path = InputPath(extension);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);
    return path;
}

// What the plug-in relies on when it walks a capture: runs start at 0 and rise, neighbours
// differ, the capture ends after its last run, and NextEdge walks exactly the run starts.
inline void CheckCapture(const host::Capture& capture) {
    const size_t runs = capture.RunCount();
    if (runs == 0) return;
    FUZZ_CHECK(capture.RunStart(0) == 0);
    FUZZ_CHECK(capture.SampleCount() > capture.RunStart(runs - 1));
    FUZZ_CHECK(capture.ChannelCount() >= 0 && capture.ChannelCount() <= host::kMaxChannels);
    const size_t walked = runs < 4096 ? runs : 4096;
    int64_t position = 0;
    for (size_t run = 0; run < walked; ++run) {
        if (run > 0) {
            FUZZ_CHECK(capture.RunStart(run) > capture.RunStart(run - 1));
            FUZZ_CHECK(!(capture.RunLevels(run) == capture.RunLevels(run - 1)));
        }
        uint8_t levels[16];
        const int64_t next = capture.NextEdge(position, levels);
        FUZZ_CHECK(host::Levels{std::to_array(levels)} == capture.RunLevels(run));
        FUZZ_CHECK(next == (run + 1 < runs ? capture.RunStart(run + 1) : -1));
        if (next < 0) break;
        position = next;
    }
}

// Reads the capture file at `path` as hdmi-ddc does: a clear refusal (CaptureError) is the right
// answer to a bad file; anything else it gives must keep the invariants above.
inline void ReadAndCheck(const std::string& path) {
    try {
        CheckCapture(host::ReadCapture(path));
    } catch (const host::CaptureError&) {
    }
}

}  // namespace hdmi::fuzz
