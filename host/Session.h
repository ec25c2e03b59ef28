// A host session: one host decode context with its callbacks, driving a loaded plug-in through
// its exports as the host application does.
//
//   auto plugin = Plugin::Load();
//   Session session(plugin);
//   session.Init();
//   session.Defaults();
//   session.SetCapture(capture);
//   uint32_t entries = session.Analyze();
//   for (const Packet& packet : session.Packets()) ... session.Label(packet) ...
//   for (const ReportRow& row : session.LastReport().Rows()) ...
//
// The edge and begin-decode callbacks carry no context argument, so every call into the plug-in
// marks this session as the current one of the calling thread for its duration.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Capture.h"
#include "PluginLoader.h"
#include "plugin/HostRecords.h"

namespace hdmi::host {

// One decoded packet as the host reads it from the packet views: a whole packet (three stream
// entries) or the closing entry (one).
struct Packet {
    uint32_t kind = 0;
    uint32_t reserved = 0;
    uint32_t value = 0;
    int64_t position = 0;
    bool closing = false;  // the single closing entry at the end of the streams

    friend bool operator==(const Packet&, const Packet&) = default;
};

// Packets of two index-aligned streams of `count` entries: a packet every three entries and a
// final single entry when count is 3n + 1.
std::vector<Packet> PacketsFromStreams(const uint32_t* words, const int64_t* positions, size_t count);

// What DataConv made of a packet.
struct PacketLabel {
    int32_t result = 0;  // 1, or 0 for an idle item
    std::string text;
    uint32_t colorMode = 0;  // 24 when the colours are valid, 0 for no label
    uint32_t fillColor = 0;
    uint32_t textColor = 0;
    bool overrun = false;  // the plug-in wrote past the text size it was given
};

// A report row line, parsed: "|@01" + two colour digits per column + "|@" + clock + "," +
// quoted cells.
struct ReportRow {
    int64_t clock = 0;
    std::string colours;             // the digits after "01", two per column
    std::vector<int> pairs;          // colour pair of each column, from its digits
    std::vector<std::string> cells;  // unescaped
};
std::optional<ReportRow> ParseReportRow(std::string_view line);

// The header line, parsed: colour pairs (text, fill) after the fixed 000000FFFFFF pair, and the
// column titles after "Clock".
struct ReportHeader {
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    std::vector<std::string> columns;
};
std::optional<ReportHeader> ParseReportHeader(std::string_view line);

struct ReportText {
    bool present = false;            // a report arrived (section found, or the sink was called)
    bool wellFormed = true;          // every line ended with CR LF and held no other CR or LF
    bool ended = false;              // sink mode: the closing (null, 0) call arrived
    int endCalls = 0;                // how many closing calls arrived (one is right)
    bool lineAfterEnd = false;       // sink mode: a line arrived after the closing call
    std::vector<std::string> lines;  // without CR LF; lines[0] is the header

    std::optional<ReportHeader> Header() const;
    // Every row line parsed; a line that does not parse fails the test that asks (see Rows).
    std::vector<ReportRow> Rows() const;
    // Row lines that do not parse as rows.
    std::vector<std::string> MalformedRows() const;
};

enum class ReportOutput {
    None,     // no ReportName, no sink: Analysis writes no report
    Section,  // a named shared-memory section, read back after the call
    Sink,     // the ReportLineSink callback collects the lines
};

struct InitCall {
    bool enable = false;  // ChannelEnable(handle, channel), else ChannelSetup(handle, channel, code)
    int32_t channel = 0;
    int32_t code = 0;
    bool handleMatched = false;  // the plug-in passed our handle back
    friend bool operator==(const InitCall&, const InitCall&) = default;
};

struct StoreCall {
    enum Kind { Close, Reset, Append, LastIndex } kind;
    uint32_t streamId;
    friend bool operator==(const StoreCall&, const StoreCall&) = default;
};

// The outcome of DecodeProc / ReportProc with a PacketStoreHost of ours.
struct StoreResult {
    int32_t result = 0;
    std::vector<uint32_t> words;     // stream id 1
    std::vector<int64_t> positions;  // stream id 0
    std::vector<StoreCall> calls;    // in call order (LastIndex calls included)
    bool badStreamId = false;        // a callback came with an id other than 0 or 1
    bool foreignHandle = false;      // a callback came with a handle that is not ours

    std::vector<Packet> Packets() const;
};

class Session {
  public:
    explicit Session(std::shared_ptr<Plugin> plugin);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const Plugin& plugin() const { return *plugin_; }
    HostDecodeContext& Context() { return *context_; }
    const HostDecodeContext& Context() const { return *context_; }

    // ---- Capture --------------------------------------------------------------------------------
    // Serves NextEdge from `source` (kept by reference: it must outlive its use) and fills the
    // capture fields: MarkerPositions[0] = sample count, SampleRate, ValidFirstSample = 0,
    // ValidLastSample = the last sample.
    void SetCapture(const EdgeSource& source);

    // ---- Settings (the record's settings fields; Defaults() first for the plug-in's defaults) --
    void SetChannels(int scl, int sda);
    void SetEightBitAddress(bool on);
    void SetGlitchFilter(bool on);
    void SetStatistics(bool on);
    // Decode range: indices into Buffer Head, Trigger, Cursor A..E (0..6).
    void SetRange(int from, int to);
    // Marker i (1 = trigger, 2..6 = cursors A..E; 0 is the sample count).
    void SetMarker(int index, int64_t position);
    void SetHostFlags(uint32_t flags) { context_->HostFlags = flags; }
    void SetContinuousMode(uint64_t value) { context_->ContinuousMode = value; }
    void SetColorSlot(int slot, uint32_t colourIndex);

    // ---- Host behaviour -------------------------------------------------------------------------
    void SetReportOutput(ReportOutput output) { reportOutput_ = output; }
    // The section name this session uses ("hdmiddc_<pid>_<n>").
    const std::string& ReportName() const { return reportName_; }
    // BeginDecode answers 1 (refuse) when set.
    void RefuseDecode(bool refuse) { refuseDecode_ = refuse; }
    void RequestAbort() { abort_.store(1, std::memory_order_relaxed); }
    void ClearAbort();
    bool AbortRequested() const { return abort_.load(std::memory_order_relaxed) != 0; }
    // Raise the abort flag from inside the n-th NextEdge call / after the n-th report line
    // (counted from the next plug-in call on); negative turns it off.
    void AbortAfterEdges(int64_t n) { abortAfterEdges_ = n; }
    void AbortAfterReportLines(int64_t n) { abortAfterLines_ = n; }
    int64_t NextEdgeCalls() const { return nextEdgeCalls_; }
    int64_t BeginDecodeCalls() const { return beginDecodeCalls_; }
    uint32_t Progress() const;

    // ---- Exports --------------------------------------------------------------------------------
    PluginInfo Identify();
    QuickSetInfo QuickSet();
    // SetMsgInfo code 0; a '/' is added when the path lacks one.
    void SetTempFolder(std::string path);
    // InitProc with a host init context whose callbacks record their calls here.
    int32_t Init();
    const std::vector<InitCall>& InitCalls() const { return initCalls_; }
    int32_t Defaults();
    void ConfigDialog();
    // Analysis; with a report output the report is then in LastReport().
    uint32_t Analyze();
    // The packets in the views of the last Analyze (empty when it returned 0).
    std::vector<Packet> Packets() const;
    uint32_t LastEntryCount() const { return lastEntryCount_; }
    PacketLabel Label(const Packet& packet);
    // DataConv on a raw item (four words).
    PacketLabel LabelItem(const std::array<uint32_t, 4>& item, int32_t textSize = 128);
    std::string ChannelName(int channel, int32_t bufferSize = 64);
    std::string ReportColumns(int32_t bufferSize = 256);
    // DecodeProc / ReportProc with a PacketStoreHost of ours.
    StoreResult DecodeToStore();
    StoreResult Report();
    int32_t DrawIt();
    int32_t DeleteNotify();
    const ReportText& LastReport() const { return report_; }

    // Runs `call` with this session current (for direct use of Exports()).
    template <class F>
    decltype(auto) Call(F&& call) {
        CurrentScope scope(this);
        return call(plugin_->Exports());
    }

  private:
    struct CurrentScope {
        explicit CurrentScope(Session* session);
        ~CurrentScope();
        Session* previous;
    };
    static int64_t NextEdgeThunk(int64_t position, uint8_t* levels16) noexcept;
    static uint8_t BeginDecodeThunk() noexcept;
    static uint32_t ReportLineThunk(const char* line, uint32_t length) noexcept;
    static int32_t ChannelSetupThunk(void* handle, int32_t channel, int32_t code) noexcept;
    static int32_t ChannelEnableThunk(void* handle, int32_t channel) noexcept;
    static void StoreCloseThunk(void* handle, uint32_t streamId) noexcept;
    static void StoreResetThunk(void* handle, uint32_t streamId) noexcept;
    static int32_t StoreLastIndexThunk(void* handle, uint32_t streamId) noexcept;
    static void StoreAppendThunk(void* handle, uint32_t streamId, const void* value) noexcept;

    void PrepareReport();
    void CollectSectionReport();
    StoreResult RunWithStore(bool report);

    std::shared_ptr<Plugin> plugin_;
    std::unique_ptr<HostDecodeContext> context_;
    const EdgeSource* source_ = nullptr;
    std::atomic<uint32_t> abort_{0};
    bool refuseDecode_ = false;
    int64_t abortAfterEdges_ = -1;
    int64_t abortAfterLines_ = -1;
    int64_t nextEdgeCalls_ = 0;
    int64_t beginDecodeCalls_ = 0;
    int64_t reportLinesSeen_ = 0;
    ReportOutput reportOutput_ = ReportOutput::Sink;
    std::string reportName_;
    ReportText report_;
    std::vector<InitCall> initCalls_;
    uint32_t lastEntryCount_ = 0;
    StoreResult* store_ = nullptr;  // during DecodeToStore / Report
};

}  // namespace hdmi::host
