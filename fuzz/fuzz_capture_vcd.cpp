// Any file hdmi-ddc may be pointed at that looks like a VCD: header, scopes, wires of any width,
// timescales, timestamps and value changes, cut or corrupted anywhere.
#include "FuzzFiles.h"

using namespace hdmi;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ReadAndCheck(fuzz::WriteInput(data, size, ".vcd"));
    return 0;
}
