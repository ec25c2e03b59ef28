// Any file hdmi-ddc may be pointed at that looks like a logic-analyzer CSV export: a header naming
// the time and channel columns, separators, units and rows of levels, cut or corrupted anywhere.
#include "FuzzFiles.h"

using namespace hdmi;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ReadAndCheck(fuzz::WriteInput(data, size, ".csv"));
    return 0;
}
