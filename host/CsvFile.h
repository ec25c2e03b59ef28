// CSV exports of digital channels, as logic-analyzer software writes them: a header line naming
// a time column and one column per channel, then one row per level change (or per sample)
// giving the time and every channel's level (0/1, L/H).
//
//   Time [s],SCL,SDA
//   0.000000000,1,1
//   0.000012500,1,0
//
// The separator is a comma, semicolon or tab; lines starting with ';' or '#' before the header
// are comments. The time column is in seconds unless its title names a unit ("Time [us]",
// "Time (ns)"); a first column titled "Sample..." holds sample numbers instead and needs a
// sample rate, from ReadOptions or a "; Samplerate: 10 MHz" comment line. For times, the sample
// period is the largest step that every time is a whole multiple of (exact to 1 fs), and the
// first row is sample 0. Columns are channels 0, 1, ... in header order.
#pragma once

#include <string>

#include "Capture.h"
#include "CaptureFile.h"

namespace hdmi::host {

// Reads the file twice (once for the time step, once for the levels); keeps only the changes.
// Throws CaptureError with the line number for anything it cannot make sense of.
Capture ReadCsv(const std::string& path, const ReadOptions& options = {});

// Writes a "; Samplerate:" comment, then one row per run: "Time [s]" with 15 decimals and the
// levels of channels 0 .. ChannelCount() - 1. Throws CaptureError when the file cannot be written.
void WriteCsv(const std::string& path, const Capture& capture);

}  // namespace hdmi::host
