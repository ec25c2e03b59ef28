#include "plugin/HostInfoStore.h"

#include <cstring>

namespace hdmi {

HostInfoStore& HostInfo() {
    static HostInfoStore store;
    return store;
}

void StoreHostInfo(uint32_t code, const void* data) {
    HostInfoStore& store = HostInfo();
    const uint32_t action = code & 0xFFFF;
    switch (action) {
        case 0: {
            if (data == nullptr) return;
            // The folder is at most 259 characters; the copy is cut there, never overrun.
            const char* path = static_cast<const char*>(data);
            size_t length = strnlen(path, sizeof store.temporaryFolder - 1);
            std::memcpy(store.temporaryFolder, path, length);
            store.temporaryFolder[length] = '\0';
            return;
        }
        case 2: {
            if (data == nullptr) return;
            const uint32_t* values = static_cast<const uint32_t*>(data);
            for (int i = 0; i < 16; ++i) {
                store.table16[i] = values[i];
                if (values[i] == 0xFFFFFFFFu) break;
            }
            return;
        }
        case 5: {
            const uint32_t item = code >> 16;
            if (data == nullptr || item > 25) return;
            store.items26[item] = *static_cast<const uint32_t*>(data);
            return;
        }
        case 6:
            if (data != nullptr) store.code6Value = *static_cast<const uint32_t*>(data);
            return;
        case 7:
            if (data != nullptr) std::memcpy(store.code7Values, data, sizeof store.code7Values);
            return;
        case 8:
            if (data != nullptr) store.code8Value = *static_cast<const uint64_t*>(data);
            return;
        case 10:
            store.flag10 = true;
            return;
        case 11:
            store.flag11 = true;
            return;
        default:
            return;  // 1, 3, 4, 9 and codes above 11 are ignored
    }
}

}  // namespace hdmi
