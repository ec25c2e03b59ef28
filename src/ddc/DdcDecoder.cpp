#include "ddc/DdcDecoder.h"

#include "i2c/EdgeReader.h"

namespace hdmi {

CDdcDecoder::CDdcDecoder() = default;

CDdcDecoder::~CDdcDecoder() {
    reportMapping.Close();
    // Host-backed streams belong to the host, which is not told to close them here.
    if (!words.HasHost()) words.Close();
    if (!positions.HasHost()) positions.Close();
}

void CDdcDecoder::AttachHostStore(PacketStoreHost* store) {
    words.AttachHost(store);
    positions.AttachHost(store);
}

}  // namespace hdmi
