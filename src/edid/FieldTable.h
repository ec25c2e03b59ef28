// The table model behind every register explanation: register maps made of entries, entries that
// point at field tables, field rows that say which bits to extract and how to print them. The
// tables are constant data; one generic interpreter walks them (Interpreter.cpp).
//
// Rows are written with small constexpr builders so that a row reads like the register layout:
//
//   Field("Color Bit Depth").Bits(0, 6, 4).Format("%s").Names(kBitDepths).Label(0xF0),
//
// Bits(byte, high, low) names bits high..low of one byte of the entry; Span(byte, high, low)
// names bits high..0 of `byte` followed by bits 7..low of the next byte. Both compute the
// width/bitOffset pair by the extraction rule of ExtractField. Tables are checked at compile time
// with ValidFieldTable / ValidRegisterMap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace hdmi {

class CDdcDecoder;

// Formatter of a register entry: out is a zeroed buffer of outSize (128) bytes, bytes holds the
// row's value and the values of its continued rows, bitCount is the sum of their widths. Returns
// a negative number for bad arguments, else 0 or a jump label / continuation code.
using EntryFormatter = int32_t (CDdcDecoder::*)(char* out, int32_t outSize, const uint8_t* bytes,
                                                int32_t bitCount);

// Entry flags.
inline constexpr uint32_t kEntryRepeat = 0x01;
inline constexpr uint32_t kEntryOptional = 0x02;  // section-mask bit in (flags >> 4) & 15
inline constexpr uint32_t kEntrySkipOnResult = 0x04;
inline constexpr uint32_t kEntrySkip = 0x08;

// Field flags. The bits 0xF0 hold one jump kind; the low four bits combine freely with it.
inline constexpr uint32_t kFieldContinued = 0x01;
inline constexpr uint32_t kFieldNoFormatter = 0x02;
inline constexpr uint32_t kFieldAccumulate = 0x04;
inline constexpr uint32_t kFieldSaveValue = 0x08;
inline constexpr uint32_t kJumpIfValue = 0x10;
inline constexpr uint32_t kJumpIfSaved = 0x20;
inline constexpr uint32_t kJumpToResult = 0x30;
inline constexpr uint32_t kJumpAlways = 0x40;
inline constexpr uint32_t kFieldResetState = 0x80;
inline constexpr uint32_t kJumpKindMask = 0xF0;

// Width markers.
inline constexpr int32_t kEndSection = -1;
inline constexpr int32_t kEndTable = -2;

struct ValueNames {
    const char* const* names = nullptr;
    uint32_t count = 0;
};

template <size_t N>
constexpr ValueNames NamesOf(const char* const (&names)[N]) {
    return ValueNames{names, static_cast<uint32_t>(N)};
}

struct FieldDescriptor {
    const char* name = nullptr;
    const char* format = nullptr;
    int32_t width = 0;
    int32_t bitOffset = 0;
    ValueNames valueNames{};
    uint32_t flags = 0;
    uint32_t target = 0;
    uint32_t label = 0;

    // Builders.
    constexpr FieldDescriptor Bits(int byte, int high, int low) const {
        FieldDescriptor f = *this;
        f.width = high - low + 1;
        f.bitOffset = byte * 8 + low;
        return f;
    }
    constexpr FieldDescriptor Byte(int byte) const { return Bits(byte, 7, 0); }
    constexpr FieldDescriptor Span(int byte, int highInFirst, int lowInNext) const {
        FieldDescriptor f = *this;
        f.width = (highInFirst + 1) + (8 - lowInNext);
        f.bitOffset = byte * 8 + (7 - highInFirst);
        return f;
    }
    constexpr FieldDescriptor Format(const char* text) const {
        FieldDescriptor f = *this;
        f.format = text;
        return f;
    }
    constexpr FieldDescriptor Names(ValueNames list) const {
        FieldDescriptor f = *this;
        f.valueNames = list;
        return f;
    }
    template <size_t N>
    constexpr FieldDescriptor Names(const char* const (&names)[N]) const {
        return Names(NamesOf(names));
    }
    constexpr FieldDescriptor Flags(uint32_t value) const {
        FieldDescriptor f = *this;
        f.flags |= value;
        return f;
    }
    constexpr FieldDescriptor JumpTo(uint32_t jumpKind, uint32_t targetLabel) const {
        FieldDescriptor f = Flags(jumpKind);
        f.target = targetLabel;
        return f;
    }
    constexpr FieldDescriptor Label(uint32_t value) const {
        FieldDescriptor f = *this;
        f.label = value;
        return f;
    }
};

constexpr FieldDescriptor Field(const char* name = nullptr) {
    FieldDescriptor f;
    f.name = name;
    return f;
}
constexpr FieldDescriptor EndSection() {
    FieldDescriptor f;
    f.width = kEndSection;
    return f;
}
constexpr FieldDescriptor EndTable() {
    FieldDescriptor f;
    f.width = kEndTable;
    return f;
}

using FieldTable = std::span<const FieldDescriptor>;

struct RegisterEntry {
    uint32_t offset = 0;  // 0xFF: reached only in sequence, never by an offset search
    int32_t length = 0;   // 0 ends the map
    const FieldDescriptor* fields = nullptr;
    EntryFormatter formatter = nullptr;
    uint32_t flags = 0;
    int32_t skip = 0;
};

using RegisterMap = const RegisterEntry*;

inline constexpr uint32_t kOffsetInSequence = 0xFF;

// The value of one field row. Inside one byte the bit offset counts from the least significant
// bit; a field crossing into the next byte reads the two bytes as a big-endian word and counts
// its bit offset from the most significant bit of the first one.
constexpr uint32_t ExtractField(const uint8_t* bytes, const FieldDescriptor& field) {
    const int first = field.bitOffset / 8;
    const int shift = field.bitOffset % 8;
    const int last = (field.bitOffset + field.width - 1) / 8;
    const uint32_t mask = field.width <= 1 ? 1u : (1u << field.width) - 1u;
    if (first == last) return (static_cast<uint32_t>(bytes[first]) >> shift) & mask;
    const uint32_t word = (static_cast<uint32_t>(bytes[first]) << 8) + bytes[last];
    return (word >> (16 - shift - field.width)) & mask;
}

// The one argument a row's format (or a caption that holds a conversion) takes: a text, a
// signed or an unsigned number, or none. Two conversions, floating point, '*', length modifiers
// and the like are Invalid, so the interpreter can always pass exactly the argument asked for.
enum class FormatArgument { None, Text, Signed, Unsigned, Invalid };

constexpr FormatArgument FormatArgumentOf(const char* format) {
    FormatArgument found = FormatArgument::None;
    for (const char* c = format; *c != '\0'; ++c) {
        if (*c != '%') continue;
        if (*++c == '%') continue;
        while (*c == '-' || *c == '+' || *c == ' ' || *c == '#' || *c == '0') ++c;
        while (*c >= '0' && *c <= '9') ++c;
        if (*c == '.') {
            ++c;
            while (*c >= '0' && *c <= '9') ++c;
        }
        FormatArgument kind = FormatArgument::Invalid;
        if (*c == 's') kind = FormatArgument::Text;
        if (*c == 'd' || *c == 'i' || *c == 'c') kind = FormatArgument::Signed;
        if (*c == 'u' || *c == 'x' || *c == 'X' || *c == 'o') kind = FormatArgument::Unsigned;
        if (kind == FormatArgument::Invalid || found != FormatArgument::None) return FormatArgument::Invalid;
        found = kind;
    }
    return found;
}

// Whether a table's pointer (field table, value-name list) is null. GCC, when null-pointer checks
// are kept (as with -fsanitize=undefined), cannot fold the address of an object with external
// linkage (a table of another file, an inline list of a header) against null; such an address is
// an object's and is taken as present.
template <class T>
constexpr bool MissingTable(const T* table) {
#if defined(__GNUC__) && !defined(__clang__)
    return __builtin_constant_p(table == nullptr) && table == nullptr;
#else
    return table == nullptr;
#endif
}

// Compile-time checks of a field table: widths 1..8 or an end marker, the table ends with
// EndTable, the first row has no label, every continued row has a following field row, jump
// kinds are single, and every fixed jump target names a label of the same table.
constexpr bool ValidFieldTable(const FieldDescriptor* rows, size_t count) {
    if (count == 0 || rows[count - 1].width != kEndTable) return false;
    if (rows[0].label != 0) return false;
    for (size_t i = 0; i < count; ++i) {
        const FieldDescriptor& r = rows[i];
        if (r.width == kEndSection || r.width == kEndTable) {
            if (r.width == kEndTable && i != count - 1) return false;
            continue;
        }
        if (r.width < 1 || r.width > 8) return false;
        if (r.bitOffset < 0) return false;
        // A field crosses at most one byte boundary.
        if ((r.bitOffset + r.width - 1) / 8 > r.bitOffset / 8 + 1) return false;
        if ((r.flags & kFieldContinued) && (i + 1 >= count || rows[i + 1].width < 1)) return false;
        const uint32_t jump = r.flags & kJumpKindMask;
        if (jump != 0 && jump != kJumpIfValue && jump != kJumpIfSaved && jump != kJumpToResult &&
            jump != kJumpAlways && jump != kFieldResetState)
            return false;
        if (jump == kJumpIfValue || jump == kJumpIfSaved || jump == kJumpAlways) {
            bool found = false;
            for (size_t j = 0; j < count && !found; ++j) found = rows[j].label == r.target;
            if (r.target == 0 || !found) return false;
        }
        if (r.valueNames.count != 0 && MissingTable(r.valueNames.names)) return false;
        if (r.format != nullptr && FormatArgumentOf(r.format) == FormatArgument::Invalid) return false;
        if (r.name != nullptr && (FormatArgumentOf(r.name) == FormatArgument::Invalid ||
                                  FormatArgumentOf(r.name) == FormatArgument::Text))
            return false;
    }
    return true;
}
template <size_t N>
constexpr bool ValidFieldTable(const FieldDescriptor (&rows)[N]) {
    return ValidFieldTable(rows, N);
}

// Every row of the entry's table reads inside the entry's bytes.
constexpr bool FieldsInsideEntry(const FieldDescriptor* rows, int32_t length) {
    for (size_t i = 0; rows[i].width != kEndTable; ++i) {
        if (rows[i].width < 1) continue;
        if ((rows[i].bitOffset + rows[i].width - 1) / 8 >= length) return false;
    }
    return true;
}

// A map ends with a zero-length entry, and the offsets of searchable entries ascend.
constexpr bool ValidRegisterMap(const RegisterEntry* entries, size_t count) {
    if (count == 0 || entries[count - 1].length != 0) return false;
    uint32_t last = 0;
    bool first = true;
    for (size_t i = 0; i + 1 < count; ++i) {
        const RegisterEntry& e = entries[i];
        if (e.length < 1 || MissingTable(e.fields)) return false;
        if (e.skip < 0) return false;  // skips only ever lead forward (0 stays, like a repeat)
        if (e.offset != kOffsetInSequence) {
            if (!first && e.offset < last) return false;
            last = e.offset;
            first = false;
        }
    }
    return true;
}
template <size_t N>
constexpr bool ValidRegisterMap(const RegisterEntry (&entries)[N]) {
    return ValidRegisterMap(entries, N);
}

}  // namespace hdmi
