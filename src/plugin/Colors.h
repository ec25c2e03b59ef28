// The colour tables behind every colour index (packet labels, report colour pairs, colour-picker
// swatches), the packet colour slots, and the report's column titles. Colours are 0x00BBGGRR.
#pragma once

#include <cstdint>

namespace hdmi {

inline constexpr uint32_t kLabelFillColors[16] = {
    0x3099FF, 0x99CCFF, 0x99FFFF, 0xCCFFCC, 0xFFFFCC, 0xFFCC99, 0xFF99CC, 0xFFFFFF,
    0xFF00FF, 0x00CCFF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFFCC00, 0x3333E1, 0x000000,
};
inline constexpr uint32_t kLabelTextColors[16] = {
    0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000,
    0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0xFFFFFF, 0xFFFFFF,
};

// Packet colour slots of the settings (ColorSlotsLow/High), by what they colour.
enum ColorSlot : int {
    kSlotStart = 0,
    kSlotStop = 1,
    kSlotAck = 2,
    kSlotNack = 3,
    kSlotAddress = 4,
    kSlotData = 5,
    kSlotReadWrite = 6,
    kSlotCount = 10,
};

// Colour class returned by the labeller -> colour slot. Classes 10 and above take index 15.
inline constexpr int kPacketColorSlot[10] = {
    kSlotStart,     kSlotStop, kSlotAddress, kSlotAddress, kSlotAddress,
    kSlotReadWrite, kSlotAck,  kSlotData,    kSlotStart,   kSlotAddress,
};
inline constexpr uint32_t kUnslottedColorIndex = 15;

// The colour index (0..15) stored for a slot: slot k < 8 in bits 4k.. of ColorSlotsLow, slot k >= 8
// in bits 4k-8.. of ColorSlotsHigh (so slot 8 is bits 24..27, slot 9 bits 28..31).
constexpr uint32_t ColorIndexOfSlot(uint32_t low, uint32_t high, int slot) {
    return slot < 8 ? (low >> (4 * slot)) & 0xF : (high >> (4 * slot - 8)) & 0xF;
}
constexpr void SetColorIndexOfSlot(uint32_t& low, uint32_t& high, int slot, uint32_t index) {
    uint32_t& word = slot < 8 ? low : high;
    const int shift = slot < 8 ? 4 * slot : 4 * slot - 8;
    word = (word & ~(0xFu << shift)) | ((index & 0xF) << shift);
}

// Report column titles after the leading clock column, ended by a null entry.
inline constexpr const char* kReportColumns[] = {"Address(h)", "Offset(h)", "EDID Register Name", "EDID Data",
                                                 nullptr};

}  // namespace hdmi
