// Any file given to `hdmi-ddc synth --edid`: raw EDID bytes or hex text with comments, offsets
// and separators, cut or corrupted anywhere.
#include "CaptureFile.h"
#include "EdidFile.h"
#include "FuzzFiles.h"

using namespace hdmi;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzz::WriteInput(data, size, ".edid");
    try {
        const std::vector<uint8_t> edid = host::ReadEdidFile(path);
        FUZZ_CHECK(!edid.empty() && edid.size() % 128 == 0 && edid.size() <= 256 * 128);
        // Raw bytes come back unchanged.
        if (!host::LooksLikeEdidHex(std::string_view(reinterpret_cast<const char*>(data), size)))
            FUZZ_CHECK(edid.size() == size && std::equal(edid.begin(), edid.end(), data));
    } catch (const host::CaptureError&) {
    }
    return 0;
}
