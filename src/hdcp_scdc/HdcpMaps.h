// The HDCP 1.x receiver registers as register maps: one map per DDC port, each entry a whole
// register (offset, length) with the field table that explains it. DecodeHdcp gathers a register's
// bytes and InterpretHdcpRegister walks its table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "edid/FieldTable.h"

namespace hdmi {

struct HdcpRegisterEntry {
    uint32_t offset = 0;
    int32_t length = 0;  // 0 ends the map
    const FieldDescriptor* fields = nullptr;
    EntryFormatter formatter = nullptr;
};

// Port 74h/75h, and port 76h/77h which lacks the repeater registers (V', Bcaps, Bstatus, KSV FIFO).
extern const HdcpRegisterEntry HdcpPrimaryMap[];
extern const HdcpRegisterEntry HdcpSecondaryMap[];

// The gathering buffer holds the longest register (the debug register).
inline constexpr int32_t kHdcpLongestRegister = 64;

constexpr bool FreeOfPercent(const char* text) {
    for (size_t i = 0; text != nullptr && text[i] != 0; ++i)
        if (text[i] == '%') return false;
    return true;
}

// What InterpretHdcpRegister can do with a table: rows accumulate or stand alone, nothing else
// (no jumps, continued rows or saved values); names are printed as plain text; a row's format
// takes a text when the row shows the formatter's output or a value name, else a number.
constexpr bool ValidHdcpRows(const FieldDescriptor* rows, bool hasFormatter) {
    for (size_t i = 0; rows[i].width != kEndTable; ++i) {
        const FieldDescriptor& r = rows[i];
        if (r.width < 1) return false;  // the table has one section
        if ((r.flags & ~(kFieldAccumulate | kFieldNoFormatter)) != 0) return false;
        if (!FreeOfPercent(r.name)) return false;
        const bool showsText = (hasFormatter && !(r.flags & kFieldNoFormatter)) || r.valueNames.count != 0;
        const FormatArgument argument =
            r.format != nullptr ? FormatArgumentOf(r.format) : FormatArgument::None;
        const FormatArgument wanted = showsText ? FormatArgument::Text : FormatArgument::Unsigned;
        if (argument != FormatArgument::None && argument != wanted) return false;
    }
    return true;
}

// A map ends with a zero-length entry; offsets ascend; every register fits the gathering buffer
// and every field lies inside its register's bytes. hasFormatter(entry) says whether the entry has
// a formatter (GCC cannot compare member-function pointers in a constant expression under the
// undefined-behaviour sanitizer, so the caller tells).
template <size_t N, typename HasFormatter>
constexpr bool ValidHdcpMap(const HdcpRegisterEntry (&entries)[N], HasFormatter hasFormatter) {
    if (entries[N - 1].length != 0) return false;
    for (size_t i = 0; i + 1 < N; ++i) {
        const HdcpRegisterEntry& e = entries[i];
        if (e.length < 1 || e.length > kHdcpLongestRegister || e.fields == nullptr) return false;
        if (i > 0 && e.offset <= entries[i - 1].offset) return false;
        if (!FieldsInsideEntry(e.fields, e.length)) return false;
        if (!ValidHdcpRows(e.fields, hasFormatter(e))) return false;
    }
    return true;
}

}  // namespace hdmi
