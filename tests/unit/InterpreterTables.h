// Small tables for the interpreter tests, one per behaviour, and a decoder with test formatters.
// The formatters are members of a class derived from CDdcDecoder; a table holds them as
// EntryFormatter (a member pointer of the base), which is sound because the tests only ever
// interpret these tables on a TestDecoder.
#pragma once

#include <array>
#include <cstdio>

#include "ddc/DdcDecoder.h"
#include "edid/FieldTable.h"

namespace hdmi::testing {

class TestDecoder : public CDdcDecoder {
  public:
    // The five joined bytes and the bit count: "01.1D.00.00.00/16".
    int32_t FormatEcho(char* out, int32_t size, const uint8_t* bytes, int32_t bitCount) {
        std::snprintf(out, size, "%02X.%02X.%02X.%02X.%02X/%d", bytes[0], bytes[1], bytes[2], bytes[3],
                      bytes[4], bitCount);
        return 0;
    }
    // "r<value>", and the value as the result (a jump label, a repeat or skip code).
    int32_t FormatResult(char* out, int32_t size, const uint8_t* bytes, int32_t) {
        std::snprintf(out, size, "r%d", bytes[0]);
        return bytes[0];
    }
    int32_t FormatFail(char*, int32_t, const uint8_t*, int32_t) { return -1; }
    int32_t FormatCallNumber(char* out, int32_t size, const uint8_t*, int32_t) {
        std::snprintf(out, size, "call %d", formatterCalls);
        return 0;
    }
};

inline constexpr EntryFormatter kEcho = static_cast<EntryFormatter>(&TestDecoder::FormatEcho);
inline constexpr EntryFormatter kResult = static_cast<EntryFormatter>(&TestDecoder::FormatResult);
inline constexpr EntryFormatter kFail = static_cast<EntryFormatter>(&TestDecoder::FormatFail);
inline constexpr EntryFormatter kCallNumber = static_cast<EntryFormatter>(&TestDecoder::FormatCallNumber);

constexpr RegisterEntry EntryOf(const FieldDescriptor* fields, int32_t length,
                                EntryFormatter formatter = nullptr) {
    return RegisterEntry{0x00, length, fields, formatter, 0, 0};
}

// ---- Field tables ----------------------------------------------------------------------------

inline constexpr FieldDescriptor kProductCodeFields[] = {
    Field("ID Product Code").Byte(1).Format("%02X").Flags(kFieldAccumulate),
    Field().Byte(0).Format(" %02Xh"),
    EndTable(),
};
static_assert(ValidFieldTable(kProductCodeFields));

inline constexpr const char* kStereoNames[] = {"zero", "one", "two", "three", "four", "five"};
inline constexpr FieldDescriptor kStereoFields[] = {
    Field("Stereo").Bits(0, 6, 5).Format("%s").Names(kStereoNames).Flags(kFieldContinued),
    Field().Bits(0, 0, 0),
    Field("Follows").Bits(0, 7, 7).Format("%d"),
    EndTable(),
};
static_assert(ValidFieldTable(kStereoFields));

inline constexpr FieldDescriptor kTimingFields[] = {
    Field("Pixel clock").Byte(0).Format("%s").Flags(kFieldContinued),        Field().Byte(1),
    Field("Horizontal").Bits(4, 7, 4).Format("<%s>").Flags(kFieldContinued), Field().Byte(2),
    Field("Span").Span(7, 1, 7).Format("%d").Flags(kFieldNoFormatter),       EndTable(),
};
static_assert(ValidFieldTable(kTimingFields) && FieldsInsideEntry(kTimingFields, 18));

inline constexpr FieldDescriptor kSixRowsFields[] = {
    Field("Six").Byte(0).Format("%s").Flags(kFieldContinued),
    Field().Byte(1).Flags(kFieldContinued),
    Field().Byte(2).Flags(kFieldContinued),
    Field().Byte(3).Flags(kFieldContinued),
    Field().Byte(4).Flags(kFieldContinued),
    Field().Byte(5).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kSixRowsFields));

inline constexpr FieldDescriptor kCaptionFields[] = {
    Field("Reserved Tag\t(0x%02Xh)").Byte(0).Format("%d"),
    EndTable(),
};
static_assert(ValidFieldTable(kCaptionFields));

inline constexpr FieldDescriptor kSilentFields[] = {
    Field().Byte(0),
    Field("Shown").Byte(0).Format("%d"),
    EndTable(),
};
static_assert(ValidFieldTable(kSilentFields));

inline constexpr FieldDescriptor kJumpIfValueFields[] = {
    Field("Flag").Byte(0).Format("%d").JumpTo(kJumpIfValue, 0xF0),
    Field("Between").Byte(1).Format("%d"),
    EndSection(),
    Field("Target").Byte(2).Format("%d").Label(0xF0),
    EndTable(),
};
static_assert(ValidFieldTable(kJumpIfValueFields));

inline constexpr FieldDescriptor kJumpAlwaysFields[] = {
    Field("Always").Byte(0).Format("%d").JumpTo(kJumpAlways, 0xF1),
    Field("Skipped").Byte(1).Format("%d"),
    EndSection(),
    Field("Landed").Byte(1).Format("%d").Label(0xF1),
    EndTable(),
};
static_assert(ValidFieldTable(kJumpAlwaysFields));

inline constexpr FieldDescriptor kSaveAndTestFields[] = {
    Field("Test").Byte(0).Format("%d").JumpTo(kJumpIfSaved, 0xF2).Flags(kFieldSaveValue),
    Field("Not saved").Byte(0).Format("%d"),
    EndSection(),
    Field("Saved").Byte(0).Format("%d").Label(0xF2),
    EndTable(),
};
static_assert(ValidFieldTable(kSaveAndTestFields));

inline constexpr FieldDescriptor kSaveFields[] = {
    Field("Save").Byte(0).Format("%d").Flags(kFieldSaveValue),
    EndTable(),
};
static_assert(ValidFieldTable(kSaveFields));

inline constexpr FieldDescriptor kTestSavedFields[] = {
    Field("Analog or digital").Byte(0).Format("%d").JumpTo(kJumpIfSaved, 0xF3),
    Field("Analog").Byte(0).Format("%d"),
    EndSection(),
    Field("Digital").Byte(0).Format("%d").Label(0xF3),
    EndTable(),
};
static_assert(ValidFieldTable(kTestSavedFields));

inline constexpr FieldDescriptor kJumpToResultFields[] = {
    Field("Header").Byte(0).Format("%s").Flags(kJumpToResult),
    Field("Result 0").Byte(1).Format("%d").Flags(kFieldNoFormatter),
    EndSection(),
    Field("Result 2").Byte(1).Format("%d").Flags(kFieldNoFormatter).Label(2),
    EndSection(),
    Field("Result 3").Byte(1).Format("%d").Flags(kFieldNoFormatter).Label(3),
    EndTable(),
};
static_assert(ValidFieldTable(kJumpToResultFields));

// Not a valid table: a fixed jump needs a target. The interpreter must still survive it.
inline constexpr FieldDescriptor kTargetZeroFields[] = {
    Field("Nowhere").Byte(0).Format("%d").Flags(kJumpAlways),
    Field("After").Byte(1).Format("%d"),
    EndTable(),
};
static_assert(!ValidFieldTable(kTargetZeroFields));

inline constexpr FieldDescriptor kResetFields[] = {
    Field("Reset").Byte(0).Format("%d").Flags(kFieldResetState),
    Field("After reset").Byte(0).Format("%d").JumpTo(kJumpIfSaved, 0xF4),
    EndSection(),
    Field("Saved survived").Byte(0).Format("%d").Label(0xF4),
    EndTable(),
};
static_assert(ValidFieldTable(kResetFields));

inline constexpr FieldDescriptor kFailingFields[] = {
    Field("Before").Byte(0).Format("%d").Flags(kFieldNoFormatter),
    Field("Failing").Byte(1).Format("%s"),
    Field("After").Byte(1).Format("%d").Flags(kFieldNoFormatter),
    EndTable(),
};
static_assert(ValidFieldTable(kFailingFields));

inline constexpr FieldDescriptor kCallCountFields[] = {
    Field("First").Byte(0).Format("%s"),
    Field("Plain").Byte(1).Format("%d").Flags(kFieldNoFormatter),
    Field("Second").Byte(2).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kCallCountFields));

inline constexpr FieldDescriptor kResultFields[] = {
    Field("R").Byte(0).Format("%s"),
    Field("Plain").Byte(1).Format("%d").Flags(kFieldNoFormatter),
    EndTable(),
};
static_assert(ValidFieldTable(kResultFields));

inline constexpr FieldDescriptor kResultLastFields[] = {
    Field("Plain").Byte(0).Format("%d").Flags(kFieldNoFormatter),
    Field("R").Byte(1).Format("%s"),
    EndTable(),
};
static_assert(ValidFieldTable(kResultLastFields));

inline constexpr FieldDescriptor kEmptyFields[] = {EndSection(), EndTable()};
static_assert(ValidFieldTable(kEmptyFields));

inline constexpr auto kLongTextFields = [] {
    std::array<FieldDescriptor, 21> rows{};
    for (int k = 0; k < 20; ++k)
        rows[k] = Field(k == 0 ? "Long" : nullptr).Byte(k).Format("%s").Flags(k < 19 ? kFieldAccumulate : 0);
    rows[20] = EndTable();
    return rows;
}();
static_assert(ValidFieldTable(kLongTextFields.data(), kLongTextFields.size()));

// ---- Entries for InterpretFields -------------------------------------------------------------

inline constexpr RegisterEntry kProductCodeEntry = EntryOf(kProductCodeFields, 2);
inline constexpr RegisterEntry kStereoEntry = EntryOf(kStereoFields, 1);
inline constexpr RegisterEntry kTimingEntry = EntryOf(kTimingFields, 18, kEcho);
inline constexpr RegisterEntry kSixRowsEntry = EntryOf(kSixRowsFields, 6, kEcho);
inline constexpr RegisterEntry kCaptionEntry = EntryOf(kCaptionFields, 1);
inline constexpr RegisterEntry kSilentEntry = EntryOf(kSilentFields, 1);
inline constexpr RegisterEntry kJumpIfValueEntry = EntryOf(kJumpIfValueFields, 3);
inline constexpr RegisterEntry kJumpAlwaysEntry = EntryOf(kJumpAlwaysFields, 2);
inline constexpr RegisterEntry kSaveAndTestEntry = EntryOf(kSaveAndTestFields, 1);
inline constexpr RegisterEntry kSaveEntry = EntryOf(kSaveFields, 1);
inline constexpr RegisterEntry kTestSavedEntry = EntryOf(kTestSavedFields, 1);
inline constexpr RegisterEntry kJumpToResultEntry = EntryOf(kJumpToResultFields, 2, kResult);
inline constexpr RegisterEntry kTargetZeroEntry = EntryOf(kTargetZeroFields, 2);
inline constexpr RegisterEntry kResetEntry = EntryOf(kResetFields, 1);
inline constexpr RegisterEntry kFailingEntry = EntryOf(kFailingFields, 2, kFail);
inline constexpr RegisterEntry kCallCountEntry = EntryOf(kCallCountFields, 3, kCallNumber);
inline constexpr RegisterEntry kResultEntry = EntryOf(kResultFields, 2, kResult);
inline constexpr RegisterEntry kResultLastEntry = EntryOf(kResultLastFields, 2, kResult);
inline constexpr RegisterEntry kEmptyEntry = EntryOf(kEmptyFields, 1);
inline constexpr RegisterEntry kLongTextEntry = EntryOf(kLongTextFields.data(), 20, kEcho);

// ---- A register map for the driver ----------------------------------------------------------

inline constexpr FieldDescriptor kRepeatFields[] = {Field("Repeat").Byte(0).Format("%s"), EndTable()};
inline constexpr FieldDescriptor kOptionalAFields[] = {Field("Optional A").Byte(0).Format("%02Xh"),
                                                       EndTable()};
inline constexpr FieldDescriptor kOptionalBFields[] = {Field("Optional B").Byte(0).Format("%02Xh"),
                                                       EndTable()};
inline constexpr FieldDescriptor kSkipOnResultFields[] = {Field("Skip on result").Byte(0).Format("%s"),
                                                          EndTable()};
inline constexpr FieldDescriptor kSkippedFields[] = {Field("Skipped").Byte(0).Format("%02Xh"), EndTable()};
inline constexpr FieldDescriptor kSkipFields[] = {Field("Skip").Byte(0).Format("%02Xh"), EndTable()};
inline constexpr FieldDescriptor kLastFields[] = {Field("Last").Byte(0).Format("%02Xh"), EndTable()};

// Read from offset 01h, entry after entry: a two-byte word, a repeating entry, two optional
// entries (section-mask bits 0 and 1), a skip on result, a fixed skip, and the last entry. The
// entries' offsets are nominal after the first: the driver walks by entries, not by offsets.
inline constexpr RegisterEntry kTestMap[] = {
    {0x01, 2, kProductCodeFields, nullptr, 0, 0},
    {0x03, 1, kRepeatFields, kResult, kEntryRepeat, 0},
    {0x04, 1, kOptionalAFields, nullptr, kEntryOptional | (0 << 4), 0},
    {0x05, 1, kOptionalBFields, nullptr, kEntryOptional | (1 << 4), 0},
    {0x06, 1, kSkipOnResultFields, kResult, kEntrySkipOnResult, 2},
    {0x07, 1, kSkippedFields, nullptr, 0, 0},
    {0x08, 1, kSkipFields, nullptr, kEntrySkip, 2},
    {0x09, 1, kSkippedFields, nullptr, 0, 0},
    {0x0A, 1, kLastFields, nullptr, 0, 0},
    {},
};
static_assert(ValidRegisterMap(kTestMap));

inline constexpr RegisterEntry kFailingMap[] = {
    {0x01, 2, kFailingFields, kFail, 0, 0},
    {0x03, 1, kLastFields, nullptr, 0, 0},
    {},
};
static_assert(ValidRegisterMap(kFailingMap));

}  // namespace hdmi::testing
