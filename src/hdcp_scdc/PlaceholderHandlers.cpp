// Placeholder handlers so that the classifier links while HDCP and SCDC are being written.
// Delete this file when the real handlers exist.
#include "ddc/DdcDecoder.h"

namespace hdmi {
int32_t CDdcDecoder::DecodeHdcp(uint32_t, int32_t&, int32_t&, CReportWriter&) { return 0; }
int32_t CDdcDecoder::DecodeScdcWrite(uint32_t, int32_t&, int32_t&, CReportWriter&) { return 0; }
int32_t CDdcDecoder::DecodeScdcRead(uint32_t, int32_t&, int32_t&, CReportWriter&) { return 0; }
}  // namespace hdmi
