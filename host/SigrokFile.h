// sigrok session files (.sr): a zip archive holding "version", an INI-style "metadata" file and
// the logic samples in chunks "logic-1-1", "logic-1-2", ... (older sessions: one file
// "logic-1"). A sample is `unitsize` bytes, little-endian, bit n = channel n.
//
// Metadata read: [device 1] capturefile, total probes, samplerate, unitsize, probe<n> (the
// name of channel n - 1).
#pragma once

#include <cstdint>
#include <string>

#include "Capture.h"
#include "CaptureFile.h"

namespace hdmi::host {

// Streams the chunks and appends a run per change of the kept channels. Throws CaptureError for
// a corrupt or truncated archive, missing metadata or chunks, or an impossible unit size.
Capture ReadSigrok(const std::string& path, const ReadOptions& options = {});

struct SigrokWriteOptions {
    int64_t chunkBytes = 4 << 20;  // bytes of samples per logic-1-<n> member
    int compressionLevel = 6;      // deflate, 1 (fast) .. 9 (small)
};

// Writes channels 0 .. capture.ChannelCount() - 1 (at least one) with their names ("D<n>" for
// an unnamed one). The samples are produced from the runs while the archive is written, so the
// file can hold far more samples than memory. Throws CaptureError when the file cannot be made.
void WriteSigrok(const std::string& path, const Capture& capture, const SigrokWriteOptions& options = {});

}  // namespace hdmi::host
