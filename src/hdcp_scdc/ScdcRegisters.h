// The SCDC register bank (256 one-byte registers at A8h/A9h): the table of named registers and the
// formatters that explain one register byte as lines of text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "ddc/DdcDecoder.h"

namespace hdmi {

// Explains the register byte in the low 8 bits of *value: writes the text (every line ending in
// "\n") into out when it is strictly shorter than capacity and returns true; otherwise returns
// false and leaves out untouched.
using ScdcFormatter = bool (CDdcDecoder::*)(const uint32_t* value, int32_t capacity, char* out);

struct ScdcRegisterEntry {
    uint32_t offset = 0;
    uint32_t sourceWritable = 0;  // 0: only the sink writes it; a source's write is explained as reserved
    const char* name = nullptr;
    ScdcFormatter formatter = nullptr;
};

inline constexpr size_t kScdcRegisterCount = 123;
inline constexpr uint32_t kScdcNoOffset = 0xFFFFFFFF;
inline constexpr int32_t kScdcTextSize = 1024;

// Ascending offsets; offsets without an entry are reserved.
extern const std::array<ScdcRegisterEntry, kScdcRegisterCount> ScdcRegisterTable;

// The per-channel and per-octet formatters are instantiated once, in ScdcFormatters.cpp.
extern template bool CDdcDecoder::FormatScdcErrDetLow<0>(const uint32_t*, int32_t, char*);
extern template bool CDdcDecoder::FormatScdcErrDetLow<1>(const uint32_t*, int32_t, char*);
extern template bool CDdcDecoder::FormatScdcErrDetLow<2>(const uint32_t*, int32_t, char*);
extern template bool CDdcDecoder::FormatScdcErrDetHigh<0>(const uint32_t*, int32_t, char*);
extern template bool CDdcDecoder::FormatScdcErrDetHigh<1>(const uint32_t*, int32_t, char*);
extern template bool CDdcDecoder::FormatScdcErrDetHigh<2>(const uint32_t*, int32_t, char*);
extern template bool CDdcDecoder::FormatScdcOuiOctet<3>(const uint32_t*, int32_t, char*);
extern template bool CDdcDecoder::FormatScdcOuiOctet<2>(const uint32_t*, int32_t, char*);
extern template bool CDdcDecoder::FormatScdcOuiOctet<1>(const uint32_t*, int32_t, char*);
extern template bool CDdcDecoder::FormatScdcSoftwareRev<CDdcDecoder::kScdcMajorRev>(const uint32_t*, int32_t,
                                                                                    char*);
extern template bool CDdcDecoder::FormatScdcSoftwareRev<CDdcDecoder::kScdcMinorRev>(const uint32_t*, int32_t,
                                                                                    char*);

}  // namespace hdmi
