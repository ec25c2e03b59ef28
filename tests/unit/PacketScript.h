// PacketScript: writes decoded DDC packets straight into a decoder's streams, for tests of the
// layers above the bus decoder. Packets are laid out as the bus decoder lays them out: an Idle
// packet at position 0 first, three entries per packet, and one closing entry at the end.
//
//   PacketScript()
//       .start().addr(0x50, false).ack().data(0x00).ack()
//       .restart().addr(0x50, true).ack().bytes({0x00, 0xFF}).stop()
//       .LoadInto(decoder);
//
// Positions step by 10 samples per packet unless set with at().
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "ddc/DdcDecoder.h"
#include "i2c/DdcPacket.h"

namespace hdmi::testing {

class PacketScript {
  public:
    struct Packet {
        uint32_t kind;
        uint32_t value;
        int64_t position;
    };

    PacketScript& at(int64_t position) {
        next_ = position;
        return *this;
    }
    PacketScript& packet(uint32_t kind, uint32_t value = 0) {
        packets_.push_back({kind, value, next_});
        next_ += kStep;
        return *this;
    }
    PacketScript& start() { return packet(Start); }
    PacketScript& restart() { return packet(RepeatedStart); }
    PacketScript& stop() { return packet(Stop).packet(Idle); }
    // 7-bit addressing: the address packet and its direction packet.
    PacketScript& addr(uint32_t address7, bool read) {
        return packet(Address, address7).packet(ReadWrite, read ? 1 : 0);
    }
    // 8-bit addressing: the whole first byte, no direction packet.
    PacketScript& addr8(uint32_t byte) { return packet(Address, byte); }
    PacketScript& ack() { return packet(Ack, 0); }
    PacketScript& nack() { return packet(Ack, 1); }
    PacketScript& data(uint32_t value) { return packet(Data, value); }
    // Data bytes each followed by its acknowledge; the last one is not acknowledged when
    // `lastNacked` (as a reader ends a read).
    PacketScript& bytes(const std::vector<uint8_t>& values, bool lastNacked = true) {
        for (size_t k = 0; k < values.size(); ++k) {
            data(values[k]);
            packet(Ack, lastNacked && k + 1 == values.size() ? 1 : 0);
        }
        return *this;
    }

    // A whole E-DDC read: optional segment write, offset write, repeated start, read, stop.
    PacketScript& edidRead(uint8_t offset, const std::vector<uint8_t>& values) {
        start().addr(0x50, false).ack().data(offset).ack();
        return restart().addr(0x50, true).ack().bytes(values).stop();
    }
    PacketScript& segmentedRead(uint8_t segment, uint8_t offset, const std::vector<uint8_t>& values) {
        start().addr(0x30, false).ack().data(segment).ack();
        return restart()
            .addr(0x50, false)
            .ack()
            .data(offset)
            .ack()
            .restart()
            .addr(0x50, true)
            .ack()
            .bytes(values)
            .stop();
    }

    const std::vector<Packet>& Packets() const { return packets_; }

    // Appends the packets to the decoder's streams (in memory: neither stream is Reset, so no
    // temporary file is made; fine for up to a million packets).
    void LoadInto(CDdcDecoder& decoder) const {
        Append(decoder, {Idle, 0, 0});
        for (const Packet& p : packets_) Append(decoder, p);
        decoder.words.Append(Idle);
        decoder.positions.Append(next_);
    }

  private:
    static constexpr int64_t kStep = 10;
    static void Append(CDdcDecoder& decoder, const Packet& p) {
        for (uint32_t word : {p.kind, 0u, p.value}) {
            decoder.words.Append(word);
            decoder.positions.Append(p.position);
        }
    }

    std::vector<Packet> packets_;
    int64_t next_ = kStep;
};

}  // namespace hdmi::testing
