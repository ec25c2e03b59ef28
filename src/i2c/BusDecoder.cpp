// The I2C bit-level state machine: SCL/SDA edges in, DdcPackets out.
#include <algorithm>

#include "ddc/DdcDecoder.h"
#include "i2c/EdgeReader.h"
#include "platform/MessageBox.h"

namespace hdmi {
namespace {

struct DecodeRange {
    int64_t start;
    int64_t end;
};

// The range between the markers the settings name; index 0 is the buffer head for "From" and the
// last sample for "to". The indices are signed 4-bit values; only 0..6 name a marker.
DecodeRange RangeFromSettings(const HostDecodeContext& host) {
    auto marker = [&](uint32_t nibble) -> int64_t {
        const int index = static_cast<int>(static_cast<int8_t>(nibble << 4) >> 4);
        return (index > 0 && index < kMarkerCount) ? host.MarkerPositions[index] : 0;
    };
    const uint32_t from = host.DecodeFlags & kDecodeFromMask;
    const uint32_t to = (host.DecodeFlags >> kDecodeToShift) & kDecodeFromMask;
    DecodeRange range{from != 0 ? marker(from) : 0, to != 0 ? marker(to) : host.MarkerPositions[0] - 1};
    if (range.start > range.end) std::swap(range.start, range.end);
    return range;
}

constexpr int64_t kGlitchFilterMinRate = 200000000;

bool IsReservedClass(uint32_t cls) {
    return cls != kOrdinaryAddress;
}

}  // namespace

bool CDdcDecoder::DecodeBus(HostDecodeContext& context) {
    host = &context;
    if (context.BeginDecode != nullptr && (context.BeginDecode() & 1) != 0) return false;

    const bool wordsReady = words.Reset();
    const bool positionsReady = positions.Reset();
    pendingPositions.clear();
    pendingWords.clear();
    pendingCount = 0;
    streamFailed = !wordsReady || !positionsReady;
    if (streamFailed) return false;

    reader = std::make_unique<CEdgeReader>();
    if (context.ContinuousMode != 0) context.DecodeFlags &= ~kDecodeStatistics;

    const DecodeRange range = RangeFromSettings(context);
    rangeStart = range.start;
    rangeEnd = range.end;
    eightBitAddress = (context.DecodeFlags & kDecodeEightBit) != 0;
    sclChannel = context.ChannelMap[0];
    sdaChannel = context.ChannelMap[1];

    reader->Open(context, rangeStart, rangeEnd);
    reader->ClearMask();
    reader->WatchChannel(sclChannel);
    reader->WatchChannel(sdaChannel);
    if (context.SampleRate >= kGlitchFilterMinRate)
        reader->SetGlitchFilter((context.DecodeFlags & kDecodeIgnoreGlitch) != 0, sdaChannel);

    ScanEdges();

    // Closing entry: it supplies the end of the last packet.
    if (words.Count() != positions.Count() - 1) positions.Append(reader->LastSample());
    words.Append(Idle);

    reader.reset();
    context.Progress = 990;
    streamFailed = streamFailed || words.Failed() || positions.Failed();
    return words.Count() == positions.Count() && !streamFailed;
}

int CDdcDecoder::ScanEdges() {
    phase = BusPhase::BusIdle;
    shiftRegister = bitCount = 0;
    firstByteClass = kOrdinaryAddress;
    byteStart = 0;
    lastClockRise = 0;
    AddPacket(0, Idle, 0, false);

    LevelWord levels;
    reader->Seek(reader->FirstSample(), &levels);
    bool previousScl = levels.Bit(sclChannel);
    bool previousSda = levels.Bit(sdaChannel);
    bool bitPhase = true;  // false: the next clock is the acknowledge clock

    const int64_t first = reader->FirstSample();
    const int64_t progressStep = 2 * ((reader->LastSample() - first) / 1000);

    while (reader->ReadEdge(&edgePosition, &levels)) {
        if (host->AbortFlag != nullptr && *host->AbortFlag != 0) return 0;
        if (progressStep != 0)
            host->Progress =
                static_cast<uint32_t>(std::clamp<int64_t>((edgePosition - first) / progressStep, 0, 500));

        const bool scl = levels.Bit(sclChannel);
        const bool sda = levels.Bit(sdaChannel);

        if (scl && sda != previousSda) {
            // START or STOP condition; wins over a clock edge on the same sample.
            if (byteStart != 0) {
                firstByteClass = kOrdinaryAddress;
                shiftRegister = bitCount = 0;
                byteStart = 0;
                phase = BusPhase::FirstBytePhase;
            }
            if (!sda) {
                AddPacket(edgePosition, phase == BusPhase::BusIdle ? Start : RepeatedStart, 0, true);
                phase = BusPhase::FirstBytePhase;
            } else {
                if (phase != BusPhase::BusIdle) {
                    AddPacket(lastClockRise, Stop, 0, false);
                    AddPacket(edgePosition, Idle, 0, false);
                }
                phase = BusPhase::BusIdle;
            }
            shiftRegister = bitCount = 0;
            byteStart = 0;
            bitPhase = true;
        } else if (scl && !previousScl) {
            lastClockRise = edgePosition;
            if (!bitPhase) {
                AddPacket(edgePosition, Ack, sda ? 1 : 0, false);
                byteStart = 0;
                bitPhase = true;
            } else if (phase != BusPhase::BusIdle) {
                if (bitCount == 0) byteStart = lastClockRise;
                shiftRegister = (shiftRegister << 1) | (sda ? 1u : 0u);
                if (++bitCount == 8) {
                    bitPhase = false;
                    const uint32_t byte = shiftRegister & 0xFF;
                    if (phase == BusPhase::FirstBytePhase) {
                        const uint32_t cls = ClassifyFirstByte(byte);
                        if (IsReservedClass(cls)) {
                            AddPacket(byteStart, FirstByte, cls, false);
                            firstByteClass = cls;
                            phase = cls == kCbusAddress ? BusPhase::DataPhase : BusPhase::SecondBytePhase;
                        } else if (eightBitAddress) {
                            AddPacket(byteStart, Address, byte, false);
                            firstByteClass = kOrdinaryAddress;
                            phase = BusPhase::DataPhase;
                        } else {
                            AddPacket(byteStart, Address, (byte >> 1) & 0x7F, false);
                            AddPacket(lastClockRise, ReadWrite, byte & 1, false);
                            firstByteClass = kOrdinaryAddress;
                            phase = BusPhase::DataPhase;
                        }
                        bitCount = 0;
                        // A 10-bit address carries bits of its first byte into the second.
                        shiftRegister = cls == kTenBitAddress ? (byte & 0x111) : 0;
                    } else {
                        if (phase == BusPhase::SecondBytePhase)
                            AddPacket(byteStart, SecondByte, firstByteClass, shiftRegister != 0);
                        else
                            AddPacket(byteStart, Data, byte, false);
                        shiftRegister = bitCount = 0;
                        byteStart = 0;
                        firstByteClass = kOrdinaryAddress;
                        phase = BusPhase::DataPhase;
                    }
                }
            }
        }
        previousScl = scl;
        previousSda = sda;
    }
    return 1;
}

void CDdcDecoder::AddPacket(int64_t position, DdcPacketKind kind, uint32_t value, bool pending) {
    if (pending) {
        for (uint32_t word : {static_cast<uint32_t>(kind), 0u, value}) {
            pendingPositions.push_back(position);
            pendingWords.push_back(word);
        }
        pendingCount += kPacketEntries;
        return;
    }
    if (pendingCount > 0) {
        // A start confirmed by the byte after it is stored; one that a stop ends leaves no trace.
        const bool confirmed = kind != Stop && kind != Idle;
        if (confirmed) {
            for (int i = 0; i < pendingCount; ++i) {
                positions.Append(pendingPositions[i]);
                words.Append(pendingWords[i]);
            }
        }
        pendingPositions.clear();
        pendingWords.clear();
        pendingCount = 0;
        if (!confirmed) return;
    }
    const int64_t stored = words.Count();
    if (kind == Idle && stored > 2 && words.Read(stored - 3) == Idle) return;  // no two idles in a row
    if (stored > 2 && positions.Read(positions.Count() - 2) > position)
        platform::ShowMessageBox("Error", "Error");
    for (uint32_t word : {static_cast<uint32_t>(kind), 0u, value}) {
        positions.Append(position);
        words.Append(word);
    }
}

}  // namespace hdmi
