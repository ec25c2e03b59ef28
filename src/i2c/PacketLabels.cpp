#include "i2c/PacketLabels.h"

#include <cstdio>

#include "i2c/DdcPacket.h"

namespace hdmi {
namespace {

constexpr const char* kReadWriteNames[2] = {"Wr", "Rd"};
constexpr const char* kFirstByteClassNames[5] = {"General Call", "Start Byte", "CBUS Address", "HS Mode",
                                                 "Address 10Bits"};

// Colour classes for the kinds of a whole packet.
enum ColourClass : int32_t {
    kClassStart = 0,
    kClassStop = 1,
    kClassAddress = 2,
    kClassReadWrite = 5,
    kClassAck = 6,
    kClassData = 7,
    kClassIdle = 10,
};

uint32_t GrayToBinary30(uint32_t value) {
    uint32_t result = value & (1u << 29);
    for (int bit = 28; bit >= 0; --bit) {
        const uint32_t higher = (result >> (bit + 1)) & 1;
        result |= (((value >> bit) & 1) ^ higher) << bit;
    }
    return result;
}

}  // namespace

void FormatSecondByte(char* text, uint32_t firstByte, uint32_t secondByte) {
    constexpr size_t kSize = kLabelTextSize;
    switch (firstByte) {
        case 0x00:
            if (secondByte == 0x06)
                std::snprintf(text, kSize, "Reset and write programmable part of slave address by hardware.");
            else if (secondByte == 0x04)
                std::snprintf(text, kSize, "Write programmable part of slave address by hardware.");
            else if (secondByte & 1)
                std::snprintf(text, kSize, "Hardware general call: Addr = %X", secondByte >> 1);
            else
                std::snprintf(text, kSize, "Reserved");
            return;
        case 0x01:
            std::snprintf(text, kSize, "Start Byte");
            return;
        case 0x02:
            std::snprintf(text, kSize, "CBus Address");
            return;
        case 0x08:
            std::snprintf(text, kSize, "HS Mode");
            return;
        case 0xF0:
            std::snprintf(text, kSize, "Address %03X", secondByte);
            return;
        default:
            std::snprintf(text, kSize, "First Byte Format Error!");
            return;
    }
}

int FormatNumber(uint32_t hostFlags, uint32_t value, char* text) {
    if (hostFlags & kHostFlagGray)
        value ^= value >> 1;
    else if (hostFlags & kHostFlagGrayToBinary)
        value = GrayToBinary30(value);
    std::snprintf(text, kLabelTextSize, "%02X", value & 0xFF);
    return 2;
}

int32_t LabelPacket(const HostDecodeContext& host, const uint32_t* item, char* text, int32_t textSize,
                    bool eightBitAddress, bool& isIdle) {
    isIdle = false;
    if ((host.HostFlags & kHostFlagLabels) == 0) return -1;
    const uint32_t words = item[0];
    const uint32_t kind = item[1];
    const uint32_t reserved = item[2];
    const uint32_t value = item[3];

    char label[kLabelTextSize] = {};
    int32_t colourClass;
    if (words != kPacketEntries && kind != Idle) return static_cast<int32_t>(kind);
    switch (kind) {
        case Start:
            std::snprintf(label, sizeof label, "S");
            colourClass = kClassStart;
            break;
        case Stop:
            std::snprintf(label, sizeof label, "Stop");
            colourClass = kClassStop;
            break;
        case Address:
            if (eightBitAddress)
                std::snprintf(label, sizeof label, "%s:%02X", kReadWriteNames[value & 1], value);
            else
                std::snprintf(label, sizeof label, "Addr:%02X", value);
            colourClass = kClassAddress;
            break;
        case FirstByte:
            std::snprintf(label, sizeof label, "%s", value < 5 ? kFirstByteClassNames[value] : "Unknown");
            colourClass = kClassAddress;
            break;
        case SecondByte:
            if (host.HostFlags & kHostFlagNumberFormat)
                FormatNumber(host.HostFlags, value, label);
            else
                FormatSecondByte(label, reserved, value);
            colourClass = kClassAddress;
            break;
        case ReadWrite:
            std::snprintf(label, sizeof label, "%s", kReadWriteNames[value & 1]);
            colourClass = kClassReadWrite;
            break;
        case Ack:
            std::snprintf(label, sizeof label, "%s", value == 0 ? "A" : "NA");
            colourClass = kClassAck;
            break;
        case Data:
            std::snprintf(label, sizeof label, "%02X", value);
            colourClass = kClassData;
            break;
        case RepeatedStart:
            std::snprintf(label, sizeof label, "Sr");
            colourClass = kClassStart;
            break;
        case CbusData:
            std::snprintf(label, sizeof label, "CBUS Data Bits");
            colourClass = kClassAddress;
            break;
        case Idle:
            std::snprintf(label, sizeof label, "Idle");
            isIdle = true;
            colourClass = kClassIdle;
            break;
        default:
            std::snprintf(label, sizeof label, "Unknown");
            colourClass = static_cast<int32_t>(kind);
            break;
    }
    if (text != nullptr && textSize > 0) std::snprintf(text, static_cast<size_t>(textSize), "%s", label);
    return colourClass;
}

}  // namespace hdmi
