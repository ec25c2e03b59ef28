// Capture files from logic-analyzer software: what the readers share, and the one entry point
// that recognises a file by its content and hands it to the right reader.
//
// Every reader streams: it walks the file block by block (or line by line) and appends one run
// to the Capture per level change of the channels it keeps, so memory grows with the number of
// changes, never with the number of samples.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "Capture.h"

namespace hdmi::host {

// A file that cannot be read as a capture: missing, unreadable, unknown format, corrupt,
// truncated, empty. The text is one line meant for a person.
class CaptureError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reading stopped because ReadOptions::cancelled said so.
class ReadCancelled : public CaptureError {
  public:
    ReadCancelled() : CaptureError("reading the capture was interrupted") {}
};

enum class CaptureFormat { Unknown, Sigrok, Vcd, Csv };

const char* CaptureFormatName(CaptureFormat format);

// The format of the file at `path`, from its first bytes (not its name). Throws CaptureError
// when the file cannot be opened or read.
CaptureFormat DetectCaptureFormat(const std::string& path);

struct ReadOptions {
    // Called once, when the channel names, channel count and sample rate of the file are known
    // and before any sample is read: returns the channels to keep. The other channels read as
    // low, so their changes cost nothing. May throw (a CaptureError for a channel that is not
    // there). Unset: every channel is kept.
    std::function<Levels(const Capture& header)> select;
    // Polled between blocks of the file; true stops the reader with ReadCancelled.
    std::function<bool()> cancelled;
    // Samples per second for a file that does not say (a CSV with sample numbers, a session
    // without a rate); when set it also overrides what the file says.
    int64_t sampleRate = 0;
    // Streaming: when `run` is set, every run goes to it in time order instead of into the
    // capture, which then holds the header alone (channels, names, rate) and the sample count.
    // `counted` is called once with that header and the sample count, before the first run.
    // Either may throw to stop the reading. Only formats for which CanStream holds are streamed
    // as they are read; the others are read whole first and then handed over the same way.
    std::function<void(const Capture& header, int64_t samples)> counted;
    std::function<void(int64_t position, const Levels& levels)> run;
};

// True for the formats whose sample count is known before their samples are read, which is what
// a decode while reading needs.
bool CanStream(CaptureFormat format);

// Reads the capture at `path` in whatever supported format it is. Throws CaptureError.
Capture ReadCapture(const std::string& path, const ReadOptions& options = {});

// ---- Helpers the readers and the command line share -------------------------------------------

// All channels set.
Levels AllChannels();

// A frequency such as "10MHz", "10 MHz", "1.5M", "400k", "100000" (Hz), or nullopt-like 0 when the
// text is not one. Exact: "1.5 MHz" is 1500000.
int64_t ParseFrequency(std::string_view text);

// "10 MHz", "1 GHz", "12500 kHz": the largest unit that divides the rate exactly.
std::string FormatFrequency(int64_t hz);

// A duration such as "1.5ms", "20 us", "3s", "100ns", "2e-6 s", in femtoseconds; -1 when the
// text is not one. A bare number without unit is not a duration.
int64_t ParseDurationFs(std::string_view text);

// Parses a decimal number (optional sign, digits, optional fraction, optional exponent) scaled
// by 10^scale into an integer, rounding half away from zero. False on anything else or when the
// result does not fit in 64 bits.
bool ParseScaledDecimal(std::string_view text, int scale, int64_t& value);

}  // namespace hdmi::host
