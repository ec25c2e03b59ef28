// HDCP 1.x register traffic: the first data byte of an access selects a register offset, the bytes
// that follow are gathered into the whole register (its length from the port's map) and the
// register's field table is walked over them. Every access takes a new offset byte.
#include <bit>
#include <cstdio>
#include <cstring>

#include "ddc/DdcDecoder.h"
#include "ddc/ReportWriter.h"
#include "edid/FieldTable.h"
#include "hdcp_scdc/HandlerSupport.h"
#include "hdcp_scdc/HdcpMaps.h"
#include "platform/MessageBox.h"

namespace hdmi {
namespace {

constexpr size_t kCellTextSize = 256;  // pending Data text and one row's value text
constexpr size_t kNameSize = 128;
constexpr int32_t kFormatterOutSize = 128;
constexpr int kReservedBytesPerRow = 8;
constexpr int kKsvOnes = 20;  // a valid key-selection vector has twenty 1 bits and twenty 0 bits

const HdcpRegisterEntry& FindHdcpRegister(int32_t link, int32_t offset) {
    const HdcpRegisterEntry* entry = link == 0 ? HdcpPrimaryMap : HdcpSecondaryMap;
    while (entry->length != 0 && entry->offset != static_cast<uint32_t>(offset)) ++entry;
    return *entry;  // the closing entry (length 0) when the offset is not mapped
}

// The packet kind at a word index, reading nothing past the stream.
uint32_t KindWithin(CDdcDecoder& decoder, uint32_t streamLength, int64_t index) {
    return index >= 0 && index < int64_t{streamLength} ? decoder.KindAt(index) : uint32_t{Idle};
}

// The data bytes of an offset that is not a register of the port, from the current one on, as
// "Reserved:" rows of up to eight bytes. The index is left on the first packet that is not data.
void DumpReservedBytes(CDdcDecoder& decoder, uint32_t streamLength, int32_t& position, CReportWriter& row) {
    char text[kCellTextSize];
    TextSpan line(text, sizeof text);
    line.Append("Reserved:");
    int inRow = 0;
    while (position < int64_t{streamLength}) {
        if (KindWithin(decoder, streamLength, position) == Ack) position += kPacketEntries;
        if (KindWithin(decoder, streamLength, position) != Data) break;
        if (inRow == kReservedBytesPerRow) {
            row.SetCell(kDataColumn, line.Text());
            row.CommitRow();
            line.Clear();
            line.Append("Reserved:");
            inRow = 0;
        }
        line.Append(" %02X", static_cast<unsigned>(decoder.ValueAt(position) & 0xFF));
        ++inRow;
        position += kPacketEntries;
    }
    row.SetCell(kDataColumn, line.Text());
    row.CommitRow();
}

}  // namespace

int32_t CDdcDecoder::DecodeHdcp(uint32_t streamLength, int32_t& position, int32_t& hdcpLink,
                                CReportWriter& row) {
    char text[kCellTextSize];

    // The first byte of an access is the register offset.
    if (hdcpOffset < 0) {
        hdcpOffset = static_cast<int32_t>(ValueAt(position) & 0xFF);
        std::snprintf(text, sizeof text, "HDCP Offset = %02Xh", static_cast<unsigned>(hdcpOffset));
        row.SetCell(2, text);
        row.CommitRow();
        return 0;
    }
    if (hdcpLink < 0) return 0;

    const HdcpRegisterEntry& entry = FindHdcpRegister(hdcpLink, hdcpOffset);
    if (entry.length == 0) {
        hdcpOffset = -1;
        DumpReservedBytes(*this, streamLength, position, row);
        return 0;
    }

    if (int64_t{position} + entry.length >= int64_t{streamLength}) {
        hdcpOffset = -1;  // too close to the end of the packets to hold the register
        return 0;
    }

    row.SetRowClock(PositionAt(position));
    std::snprintf(text, sizeof text, "0x%02X", entry.offset);
    row.SetCell(1, text);

    uint8_t bytes[kHdcpLongestRegister];
    int32_t gathered = 0;
    bool anomaly = false;
    while (gathered < entry.length) {
        if (KindWithin(*this, streamLength, position) == Ack) position += kPacketEntries;
        if (KindWithin(*this, streamLength, position) != Data) break;  // the register is cut short
        if (IsAckAnomaly(position) != 0) anomaly = true;
        bytes[gathered++] = static_cast<uint8_t>(ValueAt(position));
        position += kPacketEntries;
    }
    row.SetColumnColour(kDataColumn, anomaly ? kAnomalyPair : kDataPair);

    const bool complete = gathered == entry.length;
    const int32_t result = complete ? InterpretHdcpRegister(row, entry, bytes) : 0;
    hdcpOffset = -1;
    if (result < 0) {
        platform::ShowMessageBox("Decoder Error", "Error");
        return -1;
    }
    return 0;
}

int32_t CDdcDecoder::InterpretHdcpRegister(CReportWriter& row, const HdcpRegisterEntry& entry,
                                           const uint8_t* bytes) {
    char pendingBuffer[kCellTextSize];
    char valueBuffer[kCellTextSize];
    TextSpan pending(pendingBuffer, sizeof pendingBuffer);
    formatterCalls = 0;

    int32_t result = 0;
    for (const FieldDescriptor* field = entry.fields; field->width >= 0; ++field) {
        const uint32_t value = ExtractField(bytes, *field);
        if (field->name != nullptr) {
            char name[kNameSize];
            std::snprintf(name, sizeof name, "%s", field->name);
            row.SetCell(2, name);
        }

        // Formats come from the tables; ValidHdcpMap checks each one's conversion against its
        // argument at compile time.
        TextSpan valueText(valueBuffer, sizeof valueBuffer);
        result = 0;
        if (!(field->flags & kFieldNoFormatter) && entry.formatter != nullptr) {
            char out[kFormatterOutSize] = {};
            result = (this->*entry.formatter)(out, kFormatterOutSize, bytes, 8 * entry.length);
            if (result < 0) return result;
            if (field->format != nullptr) valueText.Append(field->format, out);
            ++formatterCalls;
        } else if (field->format != nullptr) {
            if (field->valueNames.count != 0) {
                const char* name =
                    value < field->valueNames.count ? field->valueNames.names[value] : "Reserved";
                valueText.Append(field->format, name);
            } else {
                valueText.Append(field->format, value);
            }
        }
        pending.Append("%s", valueText.Text());

        if (!(field->flags & kFieldAccumulate)) {
            if (!pending.Empty()) row.SetCell(3, pending.Text());
            pending.Clear();
            row.CommitRow();
        }
    }
    return result;
}

int32_t CDdcDecoder::FormatKsv(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (out == nullptr || bytes == nullptr || outSize < 0 || bitCount < 1) return -1;
    TextSpan text(out, static_cast<size_t>(outSize));
    int ones = 0;
    int zeros = 0;
    for (int32_t i = 0; i < bitCount / 8; ++i) {
        if (text.Empty())
            text.Append("%02X", bytes[i]);
        else
            text.Append(" %02X", bytes[i]);
        const int set = std::popcount(bytes[i]);
        ones += set;
        zeros += 8 - set;
    }
    text.Append("h");
    if (ones != kKsvOnes || zeros != kKsvOnes) text.Append("  KSV Invalid!");
    return 0;
}

// The debug register is shown as eight rows; the row being formatted (formatterCalls, 0..7) picks
// which eight bytes it shows.
int32_t CDdcDecoder::FormatDebugReg(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount) {
    if (out == nullptr || bytes == nullptr || outSize < 0 || bitCount < 1) return -1;
    constexpr int32_t kBytesPerRow = 8;
    TextSpan text(out, static_cast<size_t>(outSize));
    const int32_t available = bitCount / 8;
    const int64_t first = formatterCalls > 0 ? int64_t{formatterCalls} * kBytesPerRow : 0;
    for (int64_t i = first; i < first + kBytesPerRow && i < available; ++i) text.Append("%02X", bytes[i]);
    text.Append("h");
    return 0;
}

}  // namespace hdmi
