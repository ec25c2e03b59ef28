#include "Session.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "HostSystem.h"

namespace hdmi::host {

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) && std::atomic<uint32_t>::is_always_lock_free,
              "the abort flag is handed to the plug-in as a plain u32");

namespace {

thread_local Session* tCurrent = nullptr;
std::atomic<uint64_t> gReportCounter{0};

constexpr uint8_t kCanary = 0xA5;
constexpr size_t kCanaryBytes = 16;

// Calls `write(buffer, size)` on a zeroed buffer followed by a guard zone; returns the text and
// whether the guard was touched.
template <class Write>
std::pair<std::string, bool> GuardedText(int32_t size, Write&& write) {
    const size_t usable = size > 0 ? size_t(size) : 0;
    std::vector<char> buffer(usable + kCanaryBytes, char(kCanary));
    std::fill(buffer.begin(), buffer.begin() + ptrdiff_t(usable), '\0');
    write(buffer.data(), size);
    bool overrun = false;
    for (size_t i = usable; i < buffer.size(); ++i) overrun |= uint8_t(buffer[i]) != kCanary;
    return {std::string(buffer.data(), strnlen(buffer.data(), usable)), overrun};
}

int ColourDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A') return c - 'A' + 10;
    return -1;
}

bool ParseHex24(std::string_view text, uint32_t& value) {
    if (text.size() != 6) return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + 6, value, 16);
    return error == std::errc() && end == text.data() + 6;
}

// Splits `text` at CR LF into `report`; a line without its CR LF or with a stray CR or LF makes
// the report ill-formed.
void SplitLines(std::string_view text, ReportText& report) {
    while (!text.empty()) {
        const size_t end = text.find("\r\n");
        std::string_view line = text.substr(0, end);
        if (end == std::string_view::npos) report.wellFormed = false;
        if (line.find_first_of("\r\n") != std::string_view::npos) report.wellFormed = false;
        report.lines.emplace_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 2);
    }
}

}  // namespace

// ---- Packets and report text -----------------------------------------------------------------------

std::vector<Packet> PacketsFromStreams(const uint32_t* words, const int64_t* positions, size_t count) {
    std::vector<Packet> packets;
    if (!words || !positions) return packets;
    packets.reserve(count / 3 + 1);
    size_t i = 0;
    for (; i + 3 <= count; i += 3)
        packets.push_back({words[i], words[i + 1], words[i + 2], positions[i], false});
    for (; i < count; ++i) packets.push_back({words[i], 0, 0, positions[i], true});
    return packets;
}

std::vector<Packet> StoreResult::Packets() const {
    const size_t count = std::min(words.size(), positions.size());
    return PacketsFromStreams(words.data(), positions.data(), count);
}

std::optional<ReportRow> ParseReportRow(std::string_view line) {
    if (!line.starts_with("|@01")) return std::nullopt;
    line.remove_prefix(4);
    const size_t clockMark = line.find("|@");
    if (clockMark == std::string_view::npos || clockMark % 2 != 0) return std::nullopt;
    ReportRow row;
    row.colours = std::string(line.substr(0, clockMark));
    for (size_t i = 0; i < clockMark; i += 2) {
        const int text = ColourDigit(line[i]);
        const int fill = ColourDigit(line[i + 1]);
        if (text < 2 || text % 2 != 0 || fill != text + 1) return std::nullopt;
        row.pairs.push_back((text - 2) / 2);
    }
    line.remove_prefix(clockMark + 2);
    auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), row.clock);
    if (error != std::errc() || end == line.data() + line.size() || *end != ',') return std::nullopt;
    line.remove_prefix(size_t(end - line.data()) + 1);
    while (true) {
        if (line.empty() || line.front() != '"') return std::nullopt;
        line.remove_prefix(1);
        std::string cell;
        while (true) {
            if (line.empty()) return std::nullopt;
            const char c = line.front();
            line.remove_prefix(1);
            if (c == '"') break;
            if (c == '\\') {
                if (line.empty() || (line.front() != '"' && line.front() != '\\')) return std::nullopt;
                cell += line.front();
                line.remove_prefix(1);
            } else {
                cell += c;
            }
        }
        row.cells.push_back(std::move(cell));
        if (line.empty()) break;
        if (line.front() != ',') return std::nullopt;
        line.remove_prefix(1);
    }
    if (row.cells.size() != row.pairs.size()) return std::nullopt;
    return row;
}

std::optional<ReportHeader> ParseReportHeader(std::string_view line) {
    if (!line.starts_with("||000000FFFFFF")) return std::nullopt;
    line.remove_prefix(14);
    const size_t clock = line.find("||Clock,");
    if (clock == std::string_view::npos || clock % 12 != 0) return std::nullopt;
    ReportHeader header;
    for (size_t i = 0; i < clock; i += 12) {
        uint32_t text = 0;
        uint32_t fill = 0;
        if (!ParseHex24(line.substr(i, 6), text) || !ParseHex24(line.substr(i + 6, 6), fill))
            return std::nullopt;
        header.pairs.emplace_back(text, fill);
    }
    line.remove_prefix(clock + 8);
    while (true) {
        const size_t comma = line.find(',');
        header.columns.emplace_back(line.substr(0, comma));
        if (comma == std::string_view::npos) break;
        line.remove_prefix(comma + 1);
    }
    return header;
}

std::optional<ReportHeader> ReportText::Header() const {
    if (lines.empty()) return std::nullopt;
    return ParseReportHeader(lines.front());
}

std::vector<ReportRow> ReportText::Rows() const {
    std::vector<ReportRow> rows;
    for (size_t i = 1; i < lines.size(); ++i)
        if (auto row = ParseReportRow(lines[i])) rows.push_back(std::move(*row));
    return rows;
}

std::vector<std::string> ReportText::MalformedRows() const {
    std::vector<std::string> bad;
    for (size_t i = 1; i < lines.size(); ++i)
        if (!ParseReportRow(lines[i])) bad.push_back(lines[i]);
    return bad;
}

// ---- Session ---------------------------------------------------------------------------------------

Session::CurrentScope::CurrentScope(Session* session) : previous(tCurrent) {
    tCurrent = session;
}
Session::CurrentScope::~CurrentScope() {
    tCurrent = previous;
}

Session::Session(std::shared_ptr<Plugin> plugin)
    : plugin_(std::move(plugin)), context_(std::make_unique<HostDecodeContext>()) {
    HostDecodeContext& c = *context_;
    c.NextEdge = &NextEdgeThunk;
    c.BeginDecode = &BeginDecodeThunk;
    c.HostChannelCount = 16;
    c.HostFlags = kHostFlagLabels;
    c.AbortFlag = reinterpret_cast<volatile uint32_t*>(&abort_);
}

Session::~Session() = default;

void Session::SetCapture(const EdgeSource& source) {
    source_ = &source;
    const int64_t count = source.SampleCount();
    context_->MarkerPositions[0] = count;
    context_->SampleRate = source.SampleRate();
    context_->ValidFirstSample = 0;
    context_->ValidLastSample = count > 0 ? count - 1 : 0;
}

void Session::SetChannels(int scl, int sda) {
    context_->ChannelMap[0] = scl;
    context_->ChannelMap[1] = sda;
}

namespace {
void SetFlag(uint32_t& flags, uint32_t mask, bool on) {
    flags = on ? (flags | mask) : (flags & ~mask);
}
}  // namespace

void Session::SetEightBitAddress(bool on) {
    SetFlag(context_->DecodeFlags, kDecodeEightBit, on);
}
void Session::SetGlitchFilter(bool on) {
    SetFlag(context_->DecodeFlags, kDecodeIgnoreGlitch, on);
}
void Session::SetStatistics(bool on) {
    SetFlag(context_->DecodeFlags, kDecodeStatistics, on);
}

void Session::SetRange(int from, int to) {
    uint32_t& flags = context_->DecodeFlags;
    flags = (flags & ~0xFFu) | (uint32_t(from) & 0xF) | ((uint32_t(to) & 0xF) << kDecodeToShift);
}

void Session::SetMarker(int index, int64_t position) {
    if (index >= 0 && index < kMarkerCount) context_->MarkerPositions[index] = position;
}

void Session::SetColorSlot(int slot, uint32_t colourIndex) {
    if (slot < 0 || slot > 9) return;
    uint32_t& word = slot < 8 ? context_->ColorSlotsLow : context_->ColorSlotsHigh;
    const int shift = slot < 8 ? 4 * slot : 4 * slot - 8;
    word = (word & ~(0xFu << shift)) | ((colourIndex & 0xF) << shift);
}

void Session::ClearAbort() {
    abort_.store(0, std::memory_order_relaxed);
}

uint32_t Session::Progress() const {
    return *reinterpret_cast<const volatile uint32_t*>(&context_->Progress);
}

// ---- Callbacks -------------------------------------------------------------------------------------

int64_t Session::NextEdgeThunk(int64_t position, uint8_t* levels16) noexcept {
    Session* session = tCurrent;
    if (!session || !session->source_) {
        if (levels16) std::memset(levels16, 0, kLevelBytes);
        return -1;
    }
    ++session->nextEdgeCalls_;
    if (session->abortAfterEdges_ > 0 && session->nextEdgeCalls_ == session->abortAfterEdges_)
        session->RequestAbort();
    uint8_t scratch[kLevelBytes];
    uint8_t* out = levels16 ? levels16 : scratch;
    try {
        return session->source_->NextEdge(position, out);
    } catch (...) {
        std::memset(out, 0, kLevelBytes);
        return -1;
    }
}

uint8_t Session::BeginDecodeThunk() noexcept {
    Session* session = tCurrent;
    if (!session) return 1;
    ++session->beginDecodeCalls_;
    return session->refuseDecode_ ? 1 : 0;
}

uint32_t Session::ReportLineThunk(const char* line, uint32_t length) noexcept {
    Session* session = tCurrent;
    if (!session) return 0;
    ReportText& report = session->report_;
    report.present = true;
    if (!line) {
        ++report.endCalls;
        report.ended = true;
        return 0;
    }
    if (report.ended) report.lineAfterEnd = true;
    try {
        std::string_view text(line, length);
        if (text.ends_with("\r\n")) {
            text.remove_suffix(2);
        } else {
            report.wellFormed = false;
        }
        if (text.find_first_of("\r\n") != std::string_view::npos) report.wellFormed = false;
        report.lines.emplace_back(text);
    } catch (...) {
        report.wellFormed = false;
    }
    ++session->reportLinesSeen_;
    if (session->abortAfterLines_ > 0 && session->reportLinesSeen_ == session->abortAfterLines_)
        session->RequestAbort();
    return 1;
}

int32_t Session::ChannelSetupThunk(void* handle, int32_t channel, int32_t code) noexcept {
    Session* session = tCurrent;
    if (!session) return 0;
    try {
        session->initCalls_.push_back({false, channel, code, handle == session});
    } catch (...) {
    }
    return 1;
}

int32_t Session::ChannelEnableThunk(void* handle, int32_t channel) noexcept {
    Session* session = tCurrent;
    if (!session) return 0;
    try {
        session->initCalls_.push_back({true, channel, 0, handle == session});
    } catch (...) {
    }
    return 1;
}

namespace {
// The store of the current call, or null (and the problem noted) when the callback is not ours.
StoreResult* StoreFor(Session* session, StoreResult* store, void* handle, uint32_t streamId) {
    if (!session || !store) return nullptr;
    if (handle != session) store->foreignHandle = true;
    if (streamId != kWordStreamId && streamId != kPositionStreamId) {
        store->badStreamId = true;
        return nullptr;
    }
    return store;
}
}  // namespace

void Session::StoreCloseThunk(void* handle, uint32_t streamId) noexcept {
    Session* session = tCurrent;
    StoreResult* store = StoreFor(session, session ? session->store_ : nullptr, handle, streamId);
    if (!store) return;
    try {
        store->calls.push_back({StoreCall::Close, streamId});
    } catch (...) {
    }
}

void Session::StoreResetThunk(void* handle, uint32_t streamId) noexcept {
    Session* session = tCurrent;
    StoreResult* store = StoreFor(session, session ? session->store_ : nullptr, handle, streamId);
    if (!store) return;
    if (streamId == kWordStreamId) {
        store->words.clear();
    } else {
        store->positions.clear();
    }
    try {
        store->calls.push_back({StoreCall::Reset, streamId});
    } catch (...) {
    }
}

int32_t Session::StoreLastIndexThunk(void* handle, uint32_t streamId) noexcept {
    Session* session = tCurrent;
    StoreResult* store = StoreFor(session, session ? session->store_ : nullptr, handle, streamId);
    if (!store) return -1;
    try {
        store->calls.push_back({StoreCall::LastIndex, streamId});
    } catch (...) {
    }
    const size_t size = streamId == kWordStreamId ? store->words.size() : store->positions.size();
    return int32_t(int64_t(size) - 1);
}

void Session::StoreAppendThunk(void* handle, uint32_t streamId, const void* value) noexcept {
    Session* session = tCurrent;
    StoreResult* store = StoreFor(session, session ? session->store_ : nullptr, handle, streamId);
    if (!store || !value) return;
    try {
        if (streamId == kWordStreamId) {
            uint32_t word = 0;
            std::memcpy(&word, value, sizeof word);
            store->words.push_back(word);
        } else {
            int64_t position = 0;
            std::memcpy(&position, value, sizeof position);
            store->positions.push_back(position);
        }
        store->calls.push_back({StoreCall::Append, streamId});
    } catch (...) {
    }
}

// ---- Exports ---------------------------------------------------------------------------------------

PluginInfo Session::Identify() {
    PluginInfo info{};
    Call([&](const PluginExports& e) { return e.GetPluginInfo(&info); });
    return info;
}

QuickSetInfo Session::QuickSet() {
    QuickSetInfo info{};
    Call([&](const PluginExports& e) { return e.GetQuickSetInfo(&info); });
    return info;
}

void Session::SetTempFolder(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    std::vector<char> buffer(path.begin(), path.end());
    buffer.push_back('\0');
    Call([&](const PluginExports& e) { e.SetMsgInfo(0, buffer.data()); });
}

int32_t Session::Init() {
    initCalls_.clear();
    HostInitContext init{this, &ChannelSetupThunk, &ChannelEnableThunk};
    return Call([&](const PluginExports& e) { return e.InitProc(nullptr, &init); });
}

int32_t Session::Defaults() {
    return Call([&](const PluginExports& e) { return e.DefaultSettings(context_.get()); });
}

void Session::ConfigDialog() {
    Call([&](const PluginExports& e) { e.ConfigDialog(context_.get()); });
}

void Session::PrepareReport() {
    report_ = ReportText();
    nextEdgeCalls_ = 0;
    reportLinesSeen_ = 0;
    // A fresh name per report, so that a report that never came cannot be mistaken for the
    // section of an earlier one.
    reportName_ = "hdmiddc_" + std::to_string(system::ProcessId()) + "_" + std::to_string(++gReportCounter);
    std::memset(context_->ReportName, 0, sizeof context_->ReportName);
    context_->ReportLineSink = nullptr;
    if (reportOutput_ == ReportOutput::None) return;
    std::memcpy(context_->ReportName, reportName_.data(),
                std::min(reportName_.size(), sizeof context_->ReportName - 1));
    if (reportOutput_ == ReportOutput::Sink) context_->ReportLineSink = &ReportLineThunk;
}

void Session::CollectSectionReport() {
    if (reportOutput_ != ReportOutput::Section) return;
    const system::NamedSectionText section = system::ReadNamedSection(reportName_);
    if (!section.found) return;
    report_.present = true;
    if (!section.terminated) report_.wellFormed = false;  // no NUL inside the section
    try {
        SplitLines(section.text, report_);
    } catch (...) {
        report_.wellFormed = false;
    }
}

uint32_t Session::Analyze() {
    PrepareReport();
    lastEntryCount_ = Call([&](const PluginExports& e) { return e.Analysis(context_.get()); });
    CollectSectionReport();
    return lastEntryCount_;
}

std::vector<Packet> Session::Packets() const {
    if (lastEntryCount_ == 0) return {};
    return PacketsFromStreams(context_->PacketWordsView, context_->PacketPositionsView, lastEntryCount_);
}

PacketLabel Session::LabelItem(const std::array<uint32_t, 4>& item, int32_t textSize) {
    PacketLabel label;
    auto [text, overrun] = GuardedText(textSize, [&](char* buffer, int32_t size) {
        label.result = Call(
            [&](const PluginExports& e) { return e.DataConv(context_.get(), item.data(), buffer, size); });
    });
    label.text = std::move(text);
    label.overrun = overrun;
    label.colorMode = context_->LabelColorMode;
    label.fillColor = context_->LabelFillColor;
    label.textColor = context_->LabelTextColor;
    return label;
}

PacketLabel Session::Label(const Packet& packet) {
    if (packet.closing) return LabelItem({1, packet.kind, 0, 0});
    return LabelItem({3, packet.kind, packet.reserved, packet.value});
}

std::string Session::ChannelName(int channel, int32_t bufferSize) {
    return GuardedText(bufferSize,
                       [&](char* buffer, int32_t size) {
                           Call([&](const PluginExports& e) {
                               return e.ChannelName(context_.get(), channel, buffer, size);
                           });
                       })
        .first;
}

std::string Session::ReportColumns(int32_t bufferSize) {
    return GuardedText(
               bufferSize,
               [&](char* buffer, int32_t size) {
                   Call([&](const PluginExports& e) { return e.GetReportColumnStr(nullptr, buffer, size); });
               })
        .first;
}

StoreResult Session::RunWithStore(bool report) {
    StoreResult result;
    PacketStoreHost host{};
    host.Handle = this;
    host.Close = &StoreCloseThunk;
    host.Reset = &StoreResetThunk;
    host.LastIndex = &StoreLastIndexThunk;
    host.Append = &StoreAppendThunk;
    if (report) {
        PrepareReport();
    } else {
        nextEdgeCalls_ = 0;
    }
    store_ = &result;
    if (report) {
        result.result = Call([&](const PluginExports& e) { return e.ReportProc(context_.get(), &host); });
    } else {
        result.result =
            Call([&](const PluginExports& e) { return int32_t(e.DecodeProc(context_.get(), &host)); });
    }
    store_ = nullptr;
    if (report) CollectSectionReport();
    return result;
}

StoreResult Session::DecodeToStore() {
    return RunWithStore(false);
}
StoreResult Session::Report() {
    return RunWithStore(true);
}

int32_t Session::DrawIt() {
    return Call([](const PluginExports& e) { return e.DrawIt(); });
}

int32_t Session::DeleteNotify() {
    return Call([](const PluginExports& e) { return e.DeleteNotify(); });
}

}  // namespace hdmi::host
