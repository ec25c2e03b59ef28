// SCDC transactions at A8h/A9h: the first byte of a write is the register offset, every later byte
// of the transaction (written, or read after a repeated start) is that register's value. A read
// with no offset written since the START is a status poll of the update registers 10h and 11h.
#include <cstdio>
#include <cstring>

#include "ddc/ReportWriter.h"
#include "hdcp_scdc/HandlerSupport.h"
#include "hdcp_scdc/ScdcRegisters.h"

namespace hdmi {
namespace {

constexpr int32_t kNameCapacity = 256;
constexpr int32_t kReadNameCapacity = 64;  // a read after an offset write
constexpr uint32_t kUpdate0 = 0x10;
constexpr uint32_t kUpdate1 = 0x11;
constexpr uint32_t kWrite = 1;
constexpr uint32_t kRead = 0;

const ScdcRegisterEntry* FindScdcRegister(uint32_t offset) {
    for (const ScdcRegisterEntry& entry : ScdcRegisterTable)
        if (entry.offset == offset) return &entry;
    return nullptr;
}

}  // namespace

int32_t CDdcDecoder::GetScdcRegisterName(const uint32_t* offset, const int32_t* capacity, char* out) {
    if (offset == nullptr || capacity == nullptr || out == nullptr) return 0;
    const ScdcRegisterEntry* entry = FindScdcRegister(*offset);
    const char* name = entry != nullptr ? entry->name : "Reserved";
    const size_t length = std::strlen(name);
    if (*capacity < 0 || length >= static_cast<size_t>(*capacity)) return 0;
    std::memcpy(out, name, length + 1);
    return 1;
}

void CDdcDecoder::ExplainScdcRegister(CReportWriter& row, const uint32_t* offset, const uint32_t* value,
                                      const uint32_t* writeFlag) {
    if (offset == nullptr || value == nullptr || writeFlag == nullptr) return;
    char text[kScdcTextSize] = {};
    // A source cannot change a register that only the sink writes, so such a write (like any
    // access to an offset without a register) is explained as reserved data.
    const ScdcRegisterEntry* entry = FindScdcRegister(*offset);
    const bool ownFormatter = entry != nullptr && (entry->sourceWritable != 0 || *writeFlag == kRead);
    const ScdcFormatter formatter = ownFormatter ? entry->formatter : &CDdcDecoder::FormatScdcReserved;
    (this->*formatter)(value, kScdcTextSize, text);  // a refusal leaves the text empty: no rows

    // One row per line; the first row also carries the cells the classifier and handler set.
    char* line = text;
    while (*line != 0) {
        char* end = std::strchr(line, '\n');
        if (end != nullptr) *end = 0;
        if (*line != 0) {
            row.SetCell(kDataColumn, line);
            row.CommitRow();
        }
        if (end == nullptr) break;
        line = end + 1;
    }
}

namespace {

// Cell 1 ("SCDC Write - 0x20") and cell 2 (the register's name) of an access.
void LabelAccess(CDdcDecoder& decoder, CReportWriter& row, const char* format, uint32_t offset,
                 int32_t nameCapacity) {
    char label[64];
    std::snprintf(label, sizeof label, format, offset);
    row.SetCell(1, label);
    char name[kNameCapacity] = {};
    decoder.GetScdcRegisterName(&offset, &nameCapacity, name);
    row.SetCell(2, name);
}

void ChooseDataColour(CDdcDecoder& decoder, CReportWriter& row, int32_t packetIndex) {
    row.SetColumnColour(kDataColumn, decoder.IsAckAnomaly(packetIndex) != 0 ? kAnomalyPair : kDataPair);
}

}  // namespace

int32_t CDdcDecoder::DecodeScdcWrite(uint32_t, int32_t& position, int32_t&, CReportWriter& row) {
    if (KindAt(position) != Data) return 0;
    const uint32_t value = ValueAt(position) & 0xFF;
    if (scdcOffset == kScdcNoOffset) {
        // The row is committed by the register's first line, or by the classifier when the write
        // carries no data.
        scdcOffset = value;
        LabelAccess(*this, row, "SCDC Write - 0x%02X", scdcOffset, kNameCapacity);
        return 0;
    }
    ChooseDataColour(*this, row, position);
    ExplainScdcRegister(row, &scdcOffset, &value, &kWrite);
    return 0;
}

int32_t CDdcDecoder::DecodeScdcRead(uint32_t, int32_t& position, int32_t&, CReportWriter& row) {
    if (KindAt(position) != Data) return 0;

    if (scdcOffset != kScdcNoOffset) {
        const uint32_t value = ValueAt(position) & 0xFF;
        LabelAccess(*this, row, "SCDC Read  - 0x%02X", scdcOffset, kReadNameCapacity);
        ChooseDataColour(*this, row, position);
        ExplainScdcRegister(row, &scdcOffset, &value, &kRead);
        return 0;
    }

    // No offset since the START: the sink's status poll, Update_0 then Update_1. The second byte
    // is taken here, so the caller's index moves on to its packet.
    const int32_t firstIndex = position;
    const uint32_t first = ValueAt(firstIndex) & 0xFF;
    position += 2 * kPacketEntries;
    LabelAccess(*this, row, "SCDC Read  - 0x%02X", kUpdate0, kNameCapacity);
    ChooseDataColour(*this, row, firstIndex);
    ExplainScdcRegister(row, &kUpdate0, &first, &kRead);

    if (KindAt(position) != Data) return 0;
    const uint32_t second = ValueAt(position) & 0xFF;
    LabelAccess(*this, row, "SCDC Read  - 0x%02X", kUpdate1, kNameCapacity);
    ChooseDataColour(*this, row, position);
    ExplainScdcRegister(row, &kUpdate1, &second, &kRead);
    return 0;
}

}  // namespace hdmi
