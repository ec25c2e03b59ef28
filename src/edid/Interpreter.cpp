// The field-table interpreter: the register-level driver that gathers an entry's bytes from the
// packet stream, the field-level walk over the entry's table, and the hex dump of bytes that no
// entry covers. Everything register-specific lives in the tables and their formatters.
#include <cstdio>
#include <cstring>

#include "ddc/DdcDecoder.h"
#include "ddc/ReportWriter.h"
#include "edid/EdidMaps.h"
#include "platform/MessageBox.h"

namespace hdmi {
namespace {

constexpr int kTextSize = 256;          // a field's text, the pending Data text
constexpr int kCaptionSize = 128;       // a caption with its value filled in
constexpr int kFormatterOutSize = 128;  // what a formatter may write
constexpr int kMaxJoinedBytes = 5;      // a row and its continued rows handed to a formatter
constexpr int kMaxEntryBytes = 128;     // an entry never spans more than its block
constexpr int kMaxRowsPerEntry = 4096;  // a table whose jumps loop is stopped, not followed forever
constexpr int kDumpBytesPerLine = 8;
constexpr int kAnomalyPair = 6;
constexpr int kDataPair = 3;

constexpr uint32_t JumpKind(const FieldDescriptor& row) {
    return row.flags & kJumpKindMask;
}
constexpr bool Has(const FieldDescriptor& row, uint32_t flag) {
    return (row.flags & flag) != 0;
}
constexpr bool EndsProcessing(const FieldDescriptor& row) {
    return row.width < 0;
}
constexpr bool EndOfMap(const RegisterEntry& entry) {
    return entry.length == 0;
}

// ExtractField for a row of an entry of `length` bytes; a row reading past them yields 0.
uint32_t FieldValue(const uint8_t* bytes, int32_t length, const FieldDescriptor& row) {
    if (row.width < 1 || row.width > 8 || row.bitOffset < 0) return 0;
    return (row.bitOffset + row.width - 1) / 8 < length ? ExtractField(bytes, row) : 0;
}

// Applies a table format with the one argument it asks for: the text, or the value.
void ApplyFormat(char* out, int size, const char* format, const char* text, uint32_t value) {
    switch (FormatArgumentOf(format)) {
        case FormatArgument::None:
            std::snprintf(out, size, format, 0);
            break;
        case FormatArgument::Text:
            std::snprintf(out, size, format, text != nullptr ? text : "");
            break;
        case FormatArgument::Signed:
            std::snprintf(out, size, format, static_cast<int>(value));
            break;
        case FormatArgument::Unsigned:
            std::snprintf(out, size, format, value);
            break;
        case FormatArgument::Invalid:
            out[0] = '\0';
            break;
    }
}

// A caption is plain text, except the few that show the field's value; either way it is cut to
// its buffer.
void SetCaption(CReportWriter& row, const char* name, uint32_t value) {
    if (std::strchr(name, '%') == nullptr && strnlen(name, kCaptionSize) < kCaptionSize) {
        row.SetCell(2, name);
        return;
    }
    char caption[kCaptionSize];
    ApplyFormat(caption, sizeof caption, name, nullptr, value);
    row.SetCell(2, caption);
}

// Appends to a bounded text; what does not fit is cut.
void AppendCut(char* text, int size, const char* more) {
    const size_t used = strnlen(text, size - 1);
    std::snprintf(text + used, size - used, "%s", more);
}

// The row whose label is `label`, searched from the first row to the end of the table.
int FindLabel(const FieldDescriptor* rows, uint32_t label) {
    if (label == 0) return -1;
    for (int k = 0; rows[k].width != kEndTable; ++k)
        if (rows[k].label == label) return k;
    return -1;
}

// Whether a row's jump is taken, once the row has been processed.
bool JumpTaken(const FieldDescriptor& row, uint32_t value, uint32_t saved, int32_t result) {
    switch (JumpKind(row)) {
        case kJumpIfValue:
            return value != 0;
        case kJumpIfSaved:
            return saved != 0;
        case kJumpAlways:
            return true;
        case kJumpToResult:
            return result != 0;
        default:
            return false;
    }
}

// The label a taken jump searches for: the formatter's result, or the row's fixed target.
uint32_t JumpTarget(const FieldDescriptor& row, int32_t result) {
    return JumpKind(row) == kJumpToResult ? static_cast<uint32_t>(result) : row.target;
}

int MapLength(RegisterMap map) {
    int n = 0;
    while (!EndOfMap(map[n])) ++n;
    return n;
}

int FindEntryAt(RegisterMap map, int32_t offset) {
    for (int k = 0; !EndOfMap(map[k]); ++k)
        if (static_cast<int64_t>(map[k].offset) == offset) return k;
    return -1;
}

RegisterMap MapOfExtensionTag(uint32_t tag) {
    if (tag == 0x10) return kExtensionTag10Map;
    if (tag == 0x50) return kExtensionTag50Map;
    return kBaseBlockMap;
}

bool SectionSelected(uint32_t sectionMask, const RegisterEntry& entry) {
    return (sectionMask >> ((entry.flags >> 4) & 15)) & 1;
}

}  // namespace

int32_t CDdcDecoder::InterpretFields(CReportWriter& row, const RegisterEntry& entry, const uint8_t* bytes) {
    formatterCalls = 0;
    char pending[kTextSize] = {};
    const FieldDescriptor* rows = entry.fields;
    if (rows == nullptr || EndsProcessing(rows[0])) return 0;

    int32_t result = 0;
    int index = 0;
    for (int step = 0; step < kMaxRowsPerEntry; ++step) {
        const FieldDescriptor& field = rows[index];
        uint32_t value = FieldValue(bytes, entry.length, field);
        int next = index + 1;  // after the rows this one consumes
        char text[kTextSize] = {};

        if (JumpKind(field) == kFieldResetState) {
            descriptorKind = 0;
            savedValue = 0;
        }
        if (field.name != nullptr) SetCaption(row, field.name, value);

        if (!Has(field, kFieldNoFormatter) && entry.formatter != nullptr) {
            uint8_t joined[kMaxJoinedBytes] = {static_cast<uint8_t>(value)};
            int filled = 1;
            int32_t bitCount = field.width;
            for (int last = index; Has(rows[last], kFieldContinued) && filled < kMaxJoinedBytes; ++filled) {
                last = next++;
                joined[filled] = static_cast<uint8_t>(FieldValue(bytes, entry.length, rows[last]));
                bitCount += rows[last].width;
            }
            char out[kFormatterOutSize] = {};
            result = (this->*entry.formatter)(out, kFormatterOutSize, joined, bitCount);
            if (result < 0) return result;
            if (field.format != nullptr) ApplyFormat(text, sizeof text, field.format, out, value);
            ++formatterCalls;
        } else {
            for (int last = index; Has(rows[last], kFieldContinued) && next - index < kMaxJoinedBytes;) {
                last = next++;
                value = (value << rows[last].width) + FieldValue(bytes, entry.length, rows[last]);
            }
            if (field.format != nullptr) {
                const ValueNames& names = field.valueNames;
                const char* name = value < names.count ? names.names[value] : "Reserved";
                ApplyFormat(text, sizeof text, field.format, names.names != nullptr ? name : nullptr, value);
            }
            result = 0;
        }

        AppendCut(pending, sizeof pending, text);
        if (!Has(field, kFieldAccumulate)) {
            if (pending[0] != '\0') row.SetCell(3, pending);
            row.CommitRow();
            pending[0] = '\0';
        }

        if (JumpTaken(field, value, savedValue, result)) {
            next = FindLabel(rows, JumpTarget(field, result));
            if (next < 0) {
                platform::ShowMessageBox("Table Search Fail", "Error");
                return 0;
            }
        }
        if (Has(field, kFieldSaveValue)) savedValue = value;
        if (EndsProcessing(rows[next])) return result;
        index = next;
    }
    platform::ShowMessageBox("Table Search Fail", "Error");
    return 0;
}

int32_t CDdcDecoder::InterpretRegister(uint32_t streamLength, int32_t& position, int32_t& entryIndex,
                                       CReportWriter& row) {
    if (int64_t{position} - 2 > int64_t{streamLength}) return -1;
    char text[kTextSize];

    if (segment == -2) {
        segment = static_cast<int32_t>(ValueAt(position));
        std::snprintf(text, sizeof text, "%02Xh", segment);
        row.SetCell(3, text);
        return 0;
    }
    if (wordOffset == -2) {
        wordOffset = static_cast<int32_t>(ValueAt(position));
        std::snprintf(text, sizeof text, "Offset(%02Xh)", wordOffset);
        row.SetCell(2, text);
        return 0;
    }
    if (wordOffset > 127) {
        segment = wordOffset / 128;
        wordOffset %= 128;
    }

    // The block selector picks the map; an extension's tag byte, read as the first byte of its
    // block, picks the extension map for the rest of the read.
    if (segment == 0)
        currentMap = kBaseBlockMap;
    else if (wordOffset == 0 && entryIndex == 0)
        currentMap = MapOfExtensionTag(ValueAt(position));
    else if (currentMap == nullptr)
        currentMap = kBaseBlockMap;
    if (wordOffset != 0 && entryIndex == 0) entryIndex = FindEntryAt(currentMap, wordOffset);

    const int mapLength = MapLength(currentMap);
    const auto unmapped = [&] { return entryIndex < 0 || entryIndex >= mapLength; };
    if (unmapped()) {
        DumpUnmappedBytes(streamLength, position, row);
        return 0;
    }
    if (int64_t{position} + currentMap[entryIndex].length >= int64_t{streamLength}) return 0;

    row.SetRowClock(PositionAt(position));
    while (!unmapped() && (currentMap[entryIndex].flags & kEntryOptional) &&
           !SectionSelected(sectionMask, currentMap[entryIndex])) {
        ++entryIndex;
        sectionMask >>= 1;
    }
    if (unmapped()) {
        DumpUnmappedBytes(streamLength, position, row);
        return 0;
    }
    const RegisterEntry& entry = currentMap[entryIndex];
    std::snprintf(text, sizeof text, "0x%02X", entry.offset);
    row.SetCell(1, text);

    uint8_t bytes[kMaxEntryBytes] = {};
    const int32_t length = entry.length <= kMaxEntryBytes ? entry.length : 0;
    bool anomalous = false;
    int32_t read = 0;
    for (; read < length; ++read) {
        if (KindAt(position) == Ack) position += kPacketEntries;
        if (KindAt(position) != Data) break;
        anomalous = anomalous || IsAckAnomaly(position) != 0;
        bytes[read] = static_cast<uint8_t>(ValueAt(position));
        checksum = static_cast<uint8_t>(checksum + bytes[read]);
        position += kPacketEntries;
    }
    row.SetColumnColour(3, anomalous ? kAnomalyPair : kDataPair);

    int32_t result = 0;
    if (length > 0 && read == length) {
        result = InterpretFields(row, entry, bytes);
        if (result < 0) {
            platform::ShowMessageBox("Decoder Error", "Error");
            return -1;
        }
    }

    if (entry.flags & static_cast<uint32_t>(result) & kEntrySkipOnResult)
        entryIndex += entry.skip;
    else if ((entry.flags & kEntryRepeat) && result != 0)
        ;  // the next bytes belong to the same entry
    else if (entry.flags & kEntrySkip)
        entryIndex += entry.skip;
    else
        entryIndex += 1;
    return 0;
}

void CDdcDecoder::DumpUnmappedBytes(uint32_t streamLength, int32_t& position, CReportWriter& row) {
    char line[64] = {};
    int used = 0;
    int count = 0;
    const auto inStream = [&](int64_t at) { return at + kPacketEntries <= int64_t{streamLength}; };
    while (inStream(position)) {
        if (KindAt(position) == Ack) {
            if (!inStream(position + kPacketEntries) || KindAt(position + kPacketEntries) != Data) break;
            position += kPacketEntries;
        }
        if (KindAt(position) != Data) break;
        if (count > 0 && count % kDumpBytesPerLine == 0) {
            std::snprintf(line + used, sizeof line - used, "h");
            row.SetCell(3, line);
            row.CommitRow();
            row.SetRowClock(PositionAt(position));
            used = 0;
        }
        used +=
            std::snprintf(line + used, sizeof line - used, used == 0 ? "%02X" : " %02X", ValueAt(position));
        ++count;
        position += kPacketEntries;
    }
    if (count > 0) {
        std::snprintf(line + used, sizeof line - used, "h");
        row.SetCell(3, line);
    }
}

int32_t CDdcDecoder::IsAckAnomaly(int32_t position) {
    const int64_t length = words.Count();
    const int64_t at = position;
    if (length == 0 || at + 6 > length) return -1;
    const auto acknowledged = [this](int64_t ack) { return KindAt(ack) == Ack && ValueAt(ack) == 0; };
    // A final byte, followed by a stop, is normally not acknowledged: the sense is then inverted.
    if (KindAt(at + 3) == Ack) {
        const bool anomalous = ValueAt(at + 3) == 1;
        return (KindAt(at + 6) == Stop) != anomalous ? 1 : 0;
    }
    if (at + 9 >= length) return -1;
    const bool anomalous = !acknowledged(at + 6);
    return (KindAt(at + 9) == Stop) != anomalous ? 1 : 0;
}

}  // namespace hdmi
