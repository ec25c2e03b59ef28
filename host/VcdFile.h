// Value change dump files (VCD), as simulators and logic-analyzer software write them.
//
// Every one-bit variable ($var <type> 1 <id> <name> $end) becomes a channel, numbered in the
// order of declaration; wider variables are skipped. A sample is one tick of the $timescale (so
// "$timescale 10 ns" reads as 100 MHz), and the capture runs to the last time stamp. Values x,
// z, u, w, h and - read as high (an undriven open-drain line is pulled up), l and 0 as low.
#pragma once

#include <string>

#include "Capture.h"
#include "CaptureFile.h"

namespace hdmi::host {

// Throws CaptureError with the line number for anything it cannot make sense of.
Capture ReadVcd(const std::string& path, const ReadOptions& options = {});

// Writes channels 0 .. ChannelCount() - 1 as one-bit wires under their names. The timescale is
// the sample period when that is a whole 1, 10 or 100 of a unit (s down to fs); otherwise 1 ps
// with every change rounded to it. Throws CaptureError when the file cannot be written.
void WriteVcd(const std::string& path, const Capture& capture);

}  // namespace hdmi::host
