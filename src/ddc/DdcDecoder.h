// CDdcDecoder: the decoder object. It owns the two packet streams, the I2C bus state, the DDC
// transaction state, the interpreter state shared by the tables' formatters, and the report
// section of its last report. Its operations are defined by subsystem:
//   i2c/BusDecoder.cpp            DecodeBus, ScanEdges, AddPacket
//   ddc/Classifier.cpp            ClassifyTransactions, StatisticsPass
//   ddc/RunReport.cpp             RunReport
//   edid/Interpreter.cpp          InterpretRegister, InterpretFields, DumpUnmappedBytes, IsAckAnomaly
//   edid/*Formatters.cpp          the EDID value formatters
//   hdcp_scdc/*.cpp               DecodeHdcp, the SCDC handlers and their formatters
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "edid/FieldTable.h"
#include "i2c/DdcPacket.h"
#include "platform/SharedSection.h"
#include "plugin/HostRecords.h"
#include "plugin/PacketFile.h"

namespace hdmi {

class CEdgeReader;
class CReportWriter;
struct HdcpRegisterEntry;

enum class BusPhase { BusIdle, FirstBytePhase, SecondBytePhase, DataPhase };

// The operation the classifier calls for every data packet of a transaction.
using TransactionHandler = int32_t (CDdcDecoder::*)(uint32_t streamLength, int32_t& position,
                                                    int32_t& state, CReportWriter& row);

class CDdcDecoder {
public:
    CDdcDecoder();
    ~CDdcDecoder();
    CDdcDecoder(const CDdcDecoder&) = delete;
    CDdcDecoder& operator=(const CDdcDecoder&) = delete;

    // Delegates both streams to a host object (DecodeProc, ReportProc).
    void AttachHostStore(PacketStoreHost* store);

    // ---- I2C bus decoder ---------------------------------------------------------------------
    bool DecodeBus(HostDecodeContext& context);
    int ScanEdges();
    void AddPacket(int64_t position, DdcPacketKind kind, uint32_t value, bool pending);

    // Packet access by word index, as the report layers use it.
    uint32_t KindAt(int64_t index) { return words.Read(index); }
    uint32_t ValueAt(int64_t index) { return words.Read(index + kPacketValueEntry); }
    int64_t PositionAt(int64_t index) { return positions.Read(index); }

    // ---- DDC transactions and report ---------------------------------------------------------
    void RunReport(HostDecodeContext& context);
    void ClassifyTransactions(uint32_t wordCount, CReportWriter& row);
    void StatisticsPass(uint32_t wordCount, CReportWriter& row);

    // ---- Field-table interpreter -------------------------------------------------------------
    int32_t InterpretRegister(uint32_t streamLength, int32_t& position, int32_t& entryIndex,
                              CReportWriter& row);
    int32_t InterpretFields(CReportWriter& row, const RegisterEntry& entry, const uint8_t* bytes);
    void DumpUnmappedBytes(uint32_t streamLength, int32_t& position, CReportWriter& row);
    int32_t IsAckAnomaly(int32_t position);

    // ---- EDID value formatters (EntryFormatter signature) ------------------------------------
    int32_t FormatManufacturerName(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatWeekYear(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatScreenSize(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatGamma(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatChromaticity(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatStandardTiming(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatDescriptor(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatRangeLimits(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatChecksum(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatBlockCounts(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatTimingBlock(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatCvtBlock(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatStandardTimingBlock(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatUnusedByte(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatStringTableSize(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatLanguage(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatStringLength(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatStringByte(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);

    // ---- HDCP and SCDC (hdcp_scdc/) ----------------------------------------------------------
    // BEGIN hdcp_scdc declarations
    int32_t DecodeHdcp(uint32_t streamLength, int32_t& position, int32_t& hdcpLink, CReportWriter& row);
    int32_t DecodeScdcWrite(uint32_t streamLength, int32_t& position, int32_t& state, CReportWriter& row);
    int32_t DecodeScdcRead(uint32_t streamLength, int32_t& position, int32_t& state, CReportWriter& row);
    int32_t InterpretHdcpRegister(CReportWriter& row, const HdcpRegisterEntry& entry, const uint8_t* bytes);
    // HDCP register formatters (EntryFormatter signature).
    int32_t FormatKsv(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    int32_t FormatDebugReg(char* out, int32_t outSize, const uint8_t* bytes, int32_t bitCount);
    // SCDC registers (hdcp_scdc/ScdcRegisters.h has the table and the ScdcFormatter type).
    int32_t GetScdcRegisterName(const uint32_t* offset, const int32_t* capacity, char* out);
    void ExplainScdcRegister(CReportWriter& row, const uint32_t* offset, const uint32_t* value,
                             const uint32_t* writeFlag);
    // SCDC formatters: one register byte (low 8 bits of *value) to lines of text. Each returns
    // false, leaving out untouched, when its text is not strictly shorter than capacity.
    static constexpr int kScdcMajorRev = 0;
    static constexpr int kScdcMinorRev = 1;
    bool FormatScdcReserved(const uint32_t* value, int32_t capacity, char* out);
    bool FormatScdcHexByte(const uint32_t* value, int32_t capacity, char* out);
    bool FormatScdcAllReserved(const uint32_t* value, int32_t capacity, char* out);
    bool FormatScdcUpdate0(const uint32_t* value, int32_t capacity, char* out);
    bool FormatScdcTmdsConfig(const uint32_t* value, int32_t capacity, char* out);
    bool FormatScdcScramblerStatus(const uint32_t* value, int32_t capacity, char* out);
    bool FormatScdcConfig0(const uint32_t* value, int32_t capacity, char* out);
    bool FormatScdcStatusFlags0(const uint32_t* value, int32_t capacity, char* out);
    template <int kChannel>  // 0..2
    bool FormatScdcErrDetLow(const uint32_t* value, int32_t capacity, char* out);
    template <int kChannel>  // 0..2
    bool FormatScdcErrDetHigh(const uint32_t* value, int32_t capacity, char* out);
    bool FormatScdcErrDetChecksum(const uint32_t* value, int32_t capacity, char* out);
    bool FormatScdcTestConfig0(const uint32_t* value, int32_t capacity, char* out);
    template <int kOctet>  // 3 third octet (D0h), 2 second (D1h), 1 first (D2h)
    bool FormatScdcOuiOctet(const uint32_t* value, int32_t capacity, char* out);
    bool FormatScdcHardwareRev(const uint32_t* value, int32_t capacity, char* out);
    template <int kRevision>  // kScdcMajorRev (DCh) or kScdcMinorRev (DDh)
    bool FormatScdcSoftwareRev(const uint32_t* value, int32_t capacity, char* out);
    // END hdcp_scdc declarations

    // ---- State -------------------------------------------------------------------------------
    // Packet streams.
    CPacketFile<uint32_t> words{kWordStreamId};
    CPacketFile<int64_t> positions{kPositionStreamId};

    // I2C state.
    HostDecodeContext* host = nullptr;
    std::unique_ptr<CEdgeReader> reader;
    int64_t rangeStart = 0;
    int64_t rangeEnd = 0;
    int32_t sclChannel = 0;
    int32_t sdaChannel = 1;
    bool eightBitAddress = false;
    BusPhase phase = BusPhase::BusIdle;
    uint32_t shiftRegister = 0;
    uint32_t bitCount = 0;
    uint32_t firstByteClass = kOrdinaryAddress;
    int64_t byteStart = 0;
    int64_t lastClockRise = 0;
    int64_t edgePosition = 0;
    std::vector<int64_t> pendingPositions;
    std::vector<uint32_t> pendingWords;
    int32_t pendingCount = 0;
    bool streamFailed = false;  // a packet file could not be written: the decode fails

    // DDC state.
    int32_t segment = 0;
    int32_t wordOffset = -1;
    uint32_t edidAccessFlags = 0;
    int32_t hdcpOffset = -1;
    uint32_t scdcOffset = 0xFFFFFFFF;

    // Interpreter state shared with the formatters.
    RegisterMap currentMap = nullptr;
    int32_t formatterCalls = 0;
    int32_t descriptorKind = 0;
    uint32_t savedValue = 0;
    int32_t subCounter = 0;
    uint32_t sectionMask = 0;
    uint8_t checksum = 0;

    // The named section of the last report, kept until the next report or destruction.
    platform::SharedSection reportMapping;
};

}  // namespace hdmi
