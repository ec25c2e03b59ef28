// What the host told the plug-in through SetMsgInfo. Only the temporary-file folder (code 0) is
// read back; the other values are kept for the life of the module, as the host expects.
#pragma once

#include <cstdint>

namespace hdmi {

struct HostInfoStore {
    char temporaryFolder[260] = {};
    uint32_t table16[16] = {};
    uint32_t items26[26] = {};
    uint32_t code6Value = 0;
    uint64_t code7Values[4] = {};
    uint64_t code8Value = 0;
    bool flag10 = false;
    bool flag11 = false;
};

HostInfoStore& HostInfo();
void StoreHostInfo(uint32_t code, const void* data);

}  // namespace hdmi
