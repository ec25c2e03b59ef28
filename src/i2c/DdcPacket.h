// DdcPacket: the decoded bus event, and the contract every reader of the packet streams relies on.
//
// A packet is three consecutive entries of two index-aligned streams:
//
//   entry   position stream (i64)      word stream (u32)
//   i       start position             kind (DdcPacketKind)
//   i + 1   the same position          0 (reserved)
//   i + 2   the same position          value (meaning by kind)
//
// Readers step from packet to packet by 3 entries. A packet ends where the next one starts.
// The streams begin with an Idle packet at position 0 and end with one closing entry (position =
// end of the decoded range, word = 10) that supplies the end of the last packet: 3n + 1 entries.
//
//   kind               position                                             value
//   0  Start           SDA falls while SCL high, bus was idle               0
//   1  Stop            last SCL rise before the stop condition              0
//   2  Address         SCL rise of the first bit of the first byte          7-bit mode: byte >> 1;
//                                                                           8-bit mode: whole byte
//   3  FirstByte       as Address                                           FirstByteClass 0..4
//   4  SecondByte      SCL rise of the first bit of the byte after a        FirstByteClass of the
//                      reserved first byte                                  preceding first byte
//   5  ReadWrite       SCL rise of the eighth bit (7-bit mode only)         0 write, 1 read
//   6  Ack             SCL rise of the ninth clock                          SDA there: 0 ACK, 1 NACK
//   7  Data            SCL rise of the first bit of the byte                the byte
//   8  RepeatedStart   SDA falls while SCL high, bus not idle               0
//   9  CbusData        never produced; known to the labeller only           -
//   10 Idle            SDA rise of the stop condition (and 0 at the start)  0
#pragma once

#include <cstdint>

namespace hdmi {

enum DdcPacketKind : uint32_t {
    Start = 0,
    Stop = 1,
    Address = 2,
    FirstByte = 3,
    SecondByte = 4,
    ReadWrite = 5,
    Ack = 6,
    Data = 7,
    RepeatedStart = 8,
    CbusData = 9,
    Idle = 10,
};

inline constexpr int kPacketEntries = 3;     // entries per packet
inline constexpr int kPacketValueEntry = 2;  // the value is 2 entries after the kind

// Class of a transfer's first byte (I2C reserved addresses).
enum FirstByteClass : uint32_t {
    kGeneralCall = 0,
    kStartByte = 1,
    kCbusAddress = 2,
    kHighSpeedCode = 3,
    kTenBitAddress = 4,
    kOrdinaryAddress = 0xFFFF,
};

constexpr FirstByteClass ClassifyFirstByte(uint32_t byte) {
    if (byte == 0x00) return kGeneralCall;
    if (byte == 0x01) return kStartByte;
    if (byte == 0x02 || byte == 0x03) return kCbusAddress;
    if (byte >= 0x08 && byte <= 0x0F) return kHighSpeedCode;
    if (byte >= 0xF0 && byte <= 0xF7) return kTenBitAddress;
    return kOrdinaryAddress;
}
static_assert(ClassifyFirstByte(0x07) == kOrdinaryAddress && ClassifyFirstByte(0xF8) == kOrdinaryAddress);

}  // namespace hdmi
