// What the descriptor formatter and the descriptor table agree on: the kind of an 18-byte
// descriptor is also the label of the table section that explains it, and the labels of the
// sub-sections that a formatter result leads into.
#pragma once

#include <cstdint>

namespace hdmi {

enum DescriptorKind : int32_t {
    kDetailedTiming = 0,             // bytes 0 and 1 not both 0: falls through into the timing section
    kSerialNumberDescriptor = 1,     // tag FFh
    kDataStringDescriptor = 2,       // tag FEh
    kRangeLimitsDescriptor = 3,      // tag FDh
    kProductNameDescriptor = 4,      // tag FCh
    kColorPointDescriptor = 5,       // tag FBh
    kStandardTimingDescriptor = 6,   // tag FAh
    kColorManagementDescriptor = 7,  // tag F9h
    kCvtCodeDescriptor = 8,          // tag F8h
    kEstablishedTimingsIII = 9,      // tag F7h
    kDummyDescriptor = 0x0A,         // tag 10h
    kManufacturerDescriptor = 0x0B,  // tags 00h..0Fh
    kReservedTagDescriptor = 0x0C,   // any other tag
};

// Sub-section labels inside the descriptor table.
inline constexpr uint32_t kDigitalSyncLabel = 0xF0;   // byte 17 bit 4 set
inline constexpr uint32_t kSeparateSyncLabel = 0xF1;  // digital, byte 17 bit 3 set
inline constexpr uint32_t kSecondaryGtfLabel = 0xF2;  // range limits, flags value 2
inline constexpr uint32_t kCvtSupportLabel = 0xF3;    // range limits, flags value 4
inline constexpr uint32_t kCvtCode2Fields = 0xF4;     // CVT code descriptor: code 2 present
inline constexpr uint32_t kCvtCode3Caption = 0xF5;
inline constexpr uint32_t kCvtCode3Fields = 0xF6;
inline constexpr uint32_t kCvtCode4Caption = 0xF7;
inline constexpr uint32_t kCvtCode4Fields = 0xF8;
inline constexpr uint32_t kCvtCodesEnd = 0xF9;

}  // namespace hdmi
