// Any file hdmi-ddc may be pointed at that looks like a VCD: header, scopes, wires of any width,
// timescales, timestamps and value changes, cut or corrupted anywhere.
#include "CaptureFile.h"
#include "FuzzFiles.h"

using namespace hdmi;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzz::WriteInput(data, size, ".vcd");
    try {
        fuzz::CheckCapture(host::ReadCapture(path));
    } catch (const host::CaptureError&) {
        // A clear refusal is the right answer to a bad file.
    }
    return 0;
}
