// The DDC transaction classifier: groups the decoded packets into transactions by target address,
// keeps the EDID segment / word-offset bookkeeping, and hands every data byte to the handler of its
// target. The statistics pass lists EDID bytes read twice with different values.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "ddc/DdcDecoder.h"
#include "ddc/ReportWriter.h"

namespace hdmi {
namespace {

enum class DdcTarget { SegmentRegister, Edid, Hdcp, Scdc };

struct AddressTableRow {
    uint32_t address;  // 7-bit
    DdcTarget target;
    const char* suffix;
    TransactionHandler onWrite;
    TransactionHandler onRead;
    int32_t link;  // HDCP: 0 primary, 1 secondary
};

constexpr AddressTableRow kAddressTable[] = {
    {0x30, DdcTarget::SegmentRegister, "", &CDdcDecoder::InterpretRegister, &CDdcDecoder::InterpretRegister,
     0},
    {0x50, DdcTarget::Edid, "(EDID)", &CDdcDecoder::InterpretRegister, &CDdcDecoder::InterpretRegister, 0},
    {0x3A, DdcTarget::Hdcp, "(HDCP)", &CDdcDecoder::DecodeHdcp, &CDdcDecoder::DecodeHdcp, 0},
    {0x3B, DdcTarget::Hdcp, "(HDCP)", &CDdcDecoder::DecodeHdcp, &CDdcDecoder::DecodeHdcp, 1},
    {0x54, DdcTarget::Scdc, "(SCDC)", &CDdcDecoder::DecodeScdcWrite, &CDdcDecoder::DecodeScdcRead, 0},
};

const AddressTableRow* FindTarget(uint32_t address) {
    for (const AddressTableRow& row : kAddressTable)
        if (row.address == address) return &row;
    return nullptr;
}

constexpr uint32_t kSegmentWritten = 0x1;
constexpr uint32_t kOffsetWritten = 0x2;
constexpr int32_t kRiPrimeOffset = 0x08;  // where a receiver's HDCP offset register rests
constexpr int kEdidImageSize = 128;
constexpr int32_t kNoOffset = -1;

struct AddressPacket {
    uint32_t address;  // 7-bit
    bool read;
};

bool AbortRequested(const HostDecodeContext* host) {
    return host != nullptr && host->AbortFlag != nullptr && *host->AbortFlag != 0;
}

bool EightBitAddressing(const HostDecodeContext* host) {
    return host != nullptr && (host->DecodeFlags & kDecodeEightBit) != 0;
}

// The row loop runs past the stored packets only when the host can stop it.
bool RunsUntilAborted(const HostDecodeContext* host) {
    return host != nullptr && host->ContinuousMode != 0 && host->AbortFlag != nullptr;
}

void ReportProgress(HostDecodeContext* host, int64_t index, uint32_t wordCount) {
    if (host == nullptr) return;
    const int64_t done = wordCount == 0 ? 250 : 250 * index / wordCount;
    host->Progress = static_cast<uint32_t>(std::min<int64_t>(1000, 750 + done));
}

// Step 1 of both passes.
void ResetTransactionState(CDdcDecoder& decoder) {
    decoder.hdcpOffset = -1;
    decoder.scdcOffset = 0xFFFFFFFF;
    decoder.savedValue = 0;
    decoder.checksum = 0;
    decoder.segment = 0;
    decoder.wordOffset = -1;
    decoder.edidAccessFlags = 0;
}

// The 7-bit address and the direction of the address packet at word index i.
AddressPacket ReadAddressPacket(CDdcDecoder& decoder, int64_t i, int64_t wordCount) {
    const uint32_t value = decoder.ValueAt(i);
    if (EightBitAddressing(decoder.host)) return {value >> 1, (value & 1) != 0};
    const bool hasDirection = wordCount - 2 > i + 6;
    return {value, hasDirection && decoder.ValueAt(i + kPacketEntries) == 1};
}

// A read of the EDID with a segment or an offset written before it consumes them; a read without
// either starts at the current address, which the driver does not know.
void OpenEdidRead(CDdcDecoder& decoder) {
    if (decoder.edidAccessFlags & (kSegmentWritten | kOffsetWritten)) {
        decoder.edidAccessFlags &= ~(kSegmentWritten | kOffsetWritten);
    } else {
        decoder.segment = 0;
        decoder.wordOffset = -1;
    }
}

// The bookkeeping of an address packet of a known target, and the handler for its data bytes.
void OpenTransaction(CDdcDecoder& decoder, const AddressTableRow& target, bool read,
                     TransactionHandler& handler, int32_t& state, CReportWriter& row) {
    switch (target.target) {
        case DdcTarget::SegmentRegister:
            handler = target.onWrite;
            state = 0;
            if (read) {
                row.SetCell(2, "Error !! EDID Segment Reg is Write Only!");
            } else {
                decoder.edidAccessFlags |= kSegmentWritten;
                decoder.segment = -2;
                row.SetCell(2, "EDID Segment Reg");
            }
            return;
        case DdcTarget::Edid:
            handler = target.onWrite;
            state = 0;
            if (!read) {
                decoder.edidAccessFlags |= kOffsetWritten;
                row.SetCell(1, "Sequential Read");
                decoder.wordOffset = -2;
            } else {
                if (!(decoder.edidAccessFlags & kOffsetWritten)) row.SetCell(1, "Current Addr Read");
                OpenEdidRead(decoder);
            }
            return;
        case DdcTarget::Hdcp:
            if (!read) {
                row.SetCell(1, " ");
                state = target.link;
                decoder.hdcpOffset = -1;
                handler = target.onWrite;
            } else if (decoder.hdcpOffset == -1) {
                // A read without an offset written first: the receiver's offset register still
                // points at Ri', the short read of the link check.
                state = target.link;
                decoder.hdcpOffset = kRiPrimeOffset;
                handler = target.onRead;
            }
            // Otherwise the read continues the access that the offset write opened.
            return;
        case DdcTarget::Scdc:
            handler = read ? target.onRead : target.onWrite;
            return;
    }
}

}  // namespace

void CDdcDecoder::ClassifyTransactions(uint32_t wordCount, CReportWriter& row) {
    ResetTransactionState(*this);
    TransactionHandler handler = nullptr;
    int32_t state = -1;
    // In continuous mode the loop reads on past the stored packets until the host aborts; the
    // index stays a 32-bit word index all the same.
    const int64_t end = RunsUntilAborted(host) ? INT32_MAX - 2 * kPacketEntries : int64_t{wordCount} - 2;

    for (int64_t i = 0; i < end; i += kPacketEntries) {
        if (AbortRequested(host)) break;
        ReportProgress(host, i, wordCount);
        switch (KindAt(i)) {
            case Start:
                handler = nullptr;
                scdcOffset = 0xFFFFFFFF;
                break;
            case Address: {
                row.CommitRow();
                row.SetRowClock(PositionAt(i));
                const AddressPacket packet = ReadAddressPacket(*this, i, wordCount);
                const AddressTableRow* target = FindTarget(packet.address);
                char text[64];
                if (target != nullptr) {
                    std::snprintf(text, sizeof text, "%02X%s", ValueAt(i), target->suffix);
                    OpenTransaction(*this, *target, packet.read, handler, state, row);
                } else {
                    std::snprintf(text, sizeof text, "%02X", ValueAt(i));
                    row.SetCell(2, "Not HDMI DDC(EDID) Address");
                    state = -1;
                    handler = nullptr;
                }
                row.SetCell(0, text);
                row.SetColumnColour(0, IsAckAnomaly(static_cast<int32_t>(i)) != 0 ? 4 : 0);
                checksum = 0;
                break;
            }
            case Data:
                if (handler != nullptr) {
                    int32_t position = static_cast<int32_t>(i);
                    if ((this->*handler)(static_cast<uint32_t>(words.Count()), position, state, row) < 0)
                        return;
                    i = position;
                }
                break;
            default:
                break;
        }
    }
    row.CommitRow();
}

void CDdcDecoder::StatisticsPass(uint32_t wordCount, CReportWriter& row) {
    struct ImageByte {
        bool known = false;
        uint32_t value = 0;
        int64_t position = 0;
    };
    ImageByte image[kEdidImageSize];
    int32_t current = kNoOffset;

    ResetTransactionState(*this);
    row.SetColumnColour(0, 4);
    row.SetColumnColour(1, 5);
    row.SetColumnColour(3, 6);
    row.SetColumnColour(2, 7);

    for (int64_t i = 0; i < int64_t{wordCount} - 2; i += kPacketEntries) {
        if (AbortRequested(host)) break;
        ReportProgress(host, i, wordCount);
        const uint32_t kind = KindAt(i);
        if (kind == Address) {
            const AddressPacket packet = ReadAddressPacket(*this, i, wordCount);
            if (packet.address == 0x30) {
                if (!packet.read) {
                    edidAccessFlags |= kSegmentWritten;
                    segment = -2;
                }
                current = 0;
            } else if (packet.address == 0x50) {
                if (!packet.read) {
                    edidAccessFlags |= kOffsetWritten;
                    wordOffset = -2;
                } else {
                    OpenEdidRead(*this);
                }
            } else {
                current = kNoOffset;
            }
        } else if (kind == Data) {
            const uint32_t value = ValueAt(i);
            const int64_t position = PositionAt(i);
            if (segment == -2) {
                segment = static_cast<int32_t>(value);
                current = kNoOffset;
            } else if (wordOffset == -2) {
                wordOffset = static_cast<int32_t>(value);
                current = static_cast<int32_t>(value);
            } else if (current >= 0 && current < kEdidImageSize) {
                ImageByte& seen = image[current];
                if (seen.known && seen.value != value) {
                    char text[CReportWriter::kCellSize];
                    row.SetRowClock(seen.position);
                    std::snprintf(text, sizeof text, "Offset %d", current);
                    row.SetCell(1, text);
                    row.SetCell(2, "Data Duplicate");
                    std::snprintf(text, sizeof text, "Old Value %u", seen.value);
                    row.SetCell(3, text);
                    row.CommitRow();
                    row.SetRowClock(position);
                    std::snprintf(text, sizeof text, "New Value %u", value);
                    row.SetCell(3, text);
                    row.CommitRow();
                }
                seen = {true, value, position};
                ++current;
            }
        }
    }
    ClassifyTransactions(wordCount, row);
}

}  // namespace hdmi
