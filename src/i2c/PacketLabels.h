// Packet labels: the text and colour class the host draws on each decoded packet.
#pragma once

#include <cstdint>

#include "plugin/HostRecords.h"

namespace hdmi {

inline constexpr int kLabelTextSize = 128;

// Writes the label of a packet item (word 0: stream words in the item, 1: kind, 2: reserved,
// 3: value) into text (textSize bytes), and returns its colour class, or -1 when the item gets no
// label. isIdle is raised for an Idle item. eightBitAddress is the address mode of the last decode.
int32_t LabelPacket(const HostDecodeContext& host, const uint32_t* item, char* text, int32_t textSize,
                    bool eightBitAddress, bool& isIdle);

// Text for the byte after a reserved first byte (128-byte buffer).
void FormatSecondByte(char* text, uint32_t firstByte, uint32_t secondByte);

// The value as two hex digits after the optional Gray-code conversion of HostFlags; returns 2.
int FormatNumber(uint32_t hostFlags, uint32_t value, char* text);

}  // namespace hdmi
