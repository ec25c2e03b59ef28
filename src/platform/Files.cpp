// The parts of the file layer that are the same on every platform: the fault seam and block
// writes that honour it.
#include "platform/Files.h"

namespace hdmi::platform {

FileFaults& Faults() {
    static FileFaults faults;
    return faults;
}

size_t WriteBlock(const void* data, size_t size, size_t count, std::FILE* stream) {
    FileFaults& faults = Faults();
    if (faults.writeBudgetBytes >= 0) {
        const int64_t wanted = static_cast<int64_t>(size * count);
        if (wanted > faults.writeBudgetBytes) {
            faults.writeBudgetBytes = 0;
            return 0;
        }
        faults.writeBudgetBytes -= wanted;
    }
    return std::fwrite(data, size, count, stream);
}

}  // namespace hdmi::platform
