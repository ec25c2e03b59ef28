// hdmi-ddc decode: a capture file in, the plug-in's report (or its packets) out. The plug-in is
// driven through its exports only, as a host application drives it.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>

#include "CaptureFile.h"
#include "Cli.h"
#include "HostSystem.h"
#include "PluginLoader.h"
#include "Render.h"
#include "RunStream.h"
#include "Session.h"
#include "SettingsFile.h"
#include "i2c/DdcPacket.h"

namespace hdmi::cli {

namespace {

using Clock = std::chrono::steady_clock;

enum class When { Auto, Always, Never };

When ParseWhen(std::string_view option, const std::optional<std::string>& text) {
    if (!text || *text == "auto") return When::Auto;
    if (*text == "always") return When::Always;
    if (*text == "never") return When::Never;
    throw InputError(std::string(option) + " wants auto, always or never, not \"" + *text + "\"");
}

struct DecodeOptions {
    std::string file;
    std::optional<std::string> scl;
    std::optional<std::string> sda;
    // Unset: as the kept settings say (off without them).
    std::optional<bool> eightBit;
    std::optional<bool> glitch;
    std::optional<bool> stats;
    bool useKeptSettings = true;
    std::optional<std::string> from;
    std::optional<std::string> to;
    int64_t rate = 0;
    OutputFormat format = OutputFormat::Table;
    bool packets = false;
    When colour = When::Auto;
    When progress = When::Auto;
    std::optional<std::string> plugin;
    int64_t abortAfterEdges = -1;  // raises the abort flag as Ctrl-C would, at a chosen edge
    bool readWhole = false;        // never decode while reading (for comparing the two ways)
};

std::optional<bool> OnOff(Args& args, const char* on, const char* off) {
    const bool yes = args.Switch(on);
    const bool no = args.Switch(off);
    if (yes && no) throw InputError(std::string(on) + " and " + off + " do not go together");
    if (yes || no) return yes;
    return std::nullopt;
}

DecodeOptions ParseOptions(Args& args) {
    DecodeOptions o;
    o.scl = args.Value("--scl");
    o.sda = args.Value("--sda");
    o.eightBit = OnOff(args, "--8bit", "--7bit");
    o.glitch = OnOff(args, "--glitch", "--no-glitch");
    o.stats = OnOff(args, "--stats", "--no-stats");
    o.useKeptSettings = !args.Switch("--no-settings");
    o.from = args.Value("--from");
    o.to = args.Value("--to");
    if (auto rate = args.Value("--rate")) {
        o.rate = host::ParseFrequency(*rate);
        if (o.rate <= 0) throw InputError("--rate wants a frequency such as 10MHz, not \"" + *rate + "\"");
    }
    if (auto format = args.Value("--format")) {
        if (*format == "table") {
            o.format = OutputFormat::Table;
        } else if (*format == "csv") {
            o.format = OutputFormat::Csv;
        } else if (*format == "json") {
            o.format = OutputFormat::Json;
        } else if (*format == "raw") {
            o.format = OutputFormat::Raw;
        } else {
            throw InputError("--format wants table, csv, json or raw, not \"" + *format + "\"");
        }
    }
    o.packets = args.Switch("--packets");
    o.colour = ParseWhen("--color", args.Value("--color"));
    o.progress = ParseWhen("--progress", args.Value("--progress"));
    o.plugin = args.Value("--plugin");
    o.readWhole = args.Switch("--read-whole");
    if (auto n = args.Value("--abort-after-edges"))
        o.abortAfterEdges = ParseCount("--abort-after-edges", *n, 1, INT64_MAX / 2);
    const std::vector<std::string> files = args.Positionals();
    args.Finish();
    if (files.size() != 1) throw InputError("decode wants exactly one capture file (see hdmi-ddc help)");
    o.file = files[0];
    if (o.packets && o.format == OutputFormat::Raw)
        throw InputError("--format raw prints the report text; it does not go with --packets");
    return o;
}

// ---- Channels --------------------------------------------------------------------------------------

std::string ChannelList(const host::Capture& header) {
    std::string list;
    for (int channel = 0; channel < header.ChannelCount(); ++channel) {
        if (!list.empty()) list += ", ";
        list += std::to_string(channel);
        if (!header.ChannelName(channel).empty()) list += " \"" + header.ChannelName(channel) + "\"";
    }
    return list.empty() ? "none" : list;
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The channel for `role`: the one chosen on the command line, else the one named after the role,
// else the kept one (from the settings dialog) when the capture has it.
int ResolveChannel(const host::Capture& header, const std::optional<std::string>& choice, const char* role,
                   const std::string& file, std::optional<int> kept) {
    if (choice && AllDigits(*choice)) {
        const int channel = choice->size() < 4 ? std::stoi(*choice) : host::kMaxChannels;
        if (channel >= header.ChannelCount())
            throw InputError(file + ": no channel " + *choice + " for " + role +
                             "; the capture has channels " + ChannelList(header));
        return channel;
    }
    const std::string name = choice ? *choice : role;
    const int channel = header.FindChannel(name);
    if (channel < 0 && !choice && kept && *kept >= 0 && *kept < header.ChannelCount()) return *kept;
    if (channel < 0) {
        std::string hint = choice ? "" : " (choose with --scl and --sda, or with hdmi-ddc settings)";
        throw InputError(file + ": no channel named " + name + " for " + role +
                         "; the capture has channels " + ChannelList(header) + hint);
    }
    return channel;
}

// ---- Edge source -----------------------------------------------------------------------------------

// Serves NextEdge from the capture and remembers how far the plug-in has walked, so that an
// interrupted decode can say where it stopped.
class TrackingSource final : public host::EdgeSource {
  public:
    explicit TrackingSource(const host::EdgeSource& capture) : capture_(capture) {}

    int64_t NextEdge(int64_t position, uint8_t* levels16) const override {
        const int64_t next = capture_.NextEdge(position, levels16);
        lastAsked_.store(position, std::memory_order_relaxed);
        lastAnswer_.store(next, std::memory_order_relaxed);
        return next;
    }
    int64_t SampleCount() const override { return capture_.SampleCount(); }
    int64_t SampleRate() const override { return capture_.SampleRate(); }

    void Reset() {
        lastAsked_.store(-1, std::memory_order_relaxed);
        lastAnswer_.store(0, std::memory_order_relaxed);
    }
    int64_t LastAsked() const { return lastAsked_.load(std::memory_order_relaxed); }
    int64_t LastAnswer() const { return lastAnswer_.load(std::memory_order_relaxed); }

  private:
    const host::EdgeSource& capture_;
    mutable std::atomic<int64_t> lastAsked_{-1};
    mutable std::atomic<int64_t> lastAnswer_{0};
};

// ---- Capture feed ----------------------------------------------------------------------------------

// Where the plug-in's edges come from. A sigrok session is decoded while it is read: a reading
// thread streams its runs through a small window to the plug-in, so that a long capture is never
// held whole. Other formats (whose length is only known at their end) are read whole first.
class CaptureFeed final : public host::EdgeSource {
  public:
    CaptureFeed(std::string path, host::ReadOptions options, bool stream)
        : path_(std::move(path)), options_(std::move(options)), stream_(stream) {}
    ~CaptureFeed() { StopReading(); }
    CaptureFeed(const CaptureFeed&) = delete;
    CaptureFeed& operator=(const CaptureFeed&) = delete;

    // Reads the header (streaming) or the whole capture. Throws what ReadCapture throws.
    void Open() {
        if (!stream_) {
            capture_ = host::ReadCapture(path_, options_);
            return;
        }
        host::ReadOptions options = options_;
        options.counted = [this](const host::Capture& header, int64_t samples) {
            std::lock_guard lock(mutex_);
            capture_ = header;
            capture_.SetSampleCount(samples);
            runs_ = std::make_unique<host::RunStream>(header.SampleRate(), samples);
            headerReady_ = true;
            streaming_ = true;
            changed_.notify_all();
        };
        options.run = [this](int64_t position, const host::Levels& levels) { runs_->Push(position, levels); };
        // Once decoding has begun, an interrupt reaches the reader through the decode (the abort
        // flag, then Stop), so that the plug-in never mistakes a cancelled read for the end of
        // the capture.
        if (options_.cancelled)
            options.cancelled = [this, cancelled = options_.cancelled] { return !streaming_ && cancelled(); };
        done_ = false;
        headerReady_ = false;
        reader_ = std::thread([this, options] {
            std::exception_ptr error;
            try {
                host::ReadCapture(path_, options);
            } catch (...) {
                error = std::current_exception();
            }
            std::lock_guard lock(mutex_);
            if (runs_) runs_->Close(error);
            error_ = error;
            done_ = true;
            changed_.notify_all();
        });
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return headerReady_ || done_; });
        if (!headerReady_) {
            lock.unlock();
            StopReading();
            if (error_) std::rethrow_exception(error_);
            throw host::CaptureError(path_ + ": the capture holds no samples");
        }
    }

    // The capture (read whole), or its header and length (streaming).
    const host::Capture& Header() const { return capture_; }
    // The edges, from whichever: the stream is replaced by Restart.
    int64_t NextEdge(int64_t position, uint8_t* levels16) const override {
        return stream_ ? runs_->NextEdge(position, levels16) : capture_.NextEdge(position, levels16);
    }
    int64_t SampleCount() const override { return capture_.SampleCount(); }
    int64_t SampleRate() const override { return capture_.SampleRate(); }

    // After a decode: stops the reader where it is and rethrows a read error that ended the
    // stream early (the decode then saw only part of the capture).
    void Finish() {
        StopReading();
        if (error_) {
            try {
                std::rethrow_exception(error_);
            } catch (const host::ReadCancelled&) {
                // Stopped by us, or by an interrupt that the decode has seen as well.
            }
        }
    }
    // The plug-in asked for a position the stream had passed: the decode cannot be trusted.
    bool WentBack() const { return stream_ && runs_ && runs_->WentBack(); }
    // A second decode from the start: streaming reads the file again.
    void Restart() {
        if (!stream_) return;
        StopReading();
        runs_.reset();
        error_ = nullptr;
        streaming_ = false;
        Open();
    }
    // Frees the capture, keeping its header for the output.
    void Release() {
        StopReading();
        if (!stream_) capture_ = capture_.HeaderOnly();
    }

  private:
    void StopReading() {
        if (runs_) runs_->Stop();
        if (reader_.joinable()) reader_.join();
    }

    std::string path_;
    host::ReadOptions options_;
    bool stream_;
    host::Capture capture_;
    std::unique_ptr<host::RunStream> runs_;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool headerReady_ = false;
    bool done_ = false;
    std::atomic<bool> streaming_{false};
    std::exception_ptr error_;
};

// ---- Decode range ----------------------------------------------------------------------------------

int64_t ParsePosition(const char* option, const std::string& text, const host::Capture& capture) {
    int64_t sample = -1;
    if (AllDigits(text)) {
        sample = ParseCount(option, text, 0, INT64_MAX / 2);
    } else {
        const int64_t fs = host::ParseDurationFs(text);
        if (fs < 0)
            throw InputError(std::string(option) + " wants a sample number or a time such as 1.5ms, not \"" +
                             text + "\"");
        sample = int64_t((__int128(fs) * capture.SampleRate() + 500'000'000'000'000) / 1'000'000'000'000'000);
    }
    if (sample >= capture.SampleCount()) {
        const TimeFormat time(capture.SampleRate(), capture.SampleCount());
        throw InputError(std::string(option) + " " + text + " lies beyond the end of the capture (" +
                         std::to_string(capture.SampleCount()) + " samples, " +
                         time.Format(capture.SampleCount()) + " " + time.Unit() + ")");
    }
    return sample;
}

// ---- Progress --------------------------------------------------------------------------------------

class ProgressBar {
  public:
    explicit ProgressBar(When when)
        : when_(when), terminal_(host::system::IsTerminal(stderr)), started_(Clock::now()) {}

    void Update(uint32_t progress) {
        if (when_ == When::Never) return;
        if (when_ == When::Auto && (!terminal_ || Clock::now() - started_ < std::chrono::milliseconds(500)))
            return;
        // 0..500 while the bus is decoded, 990 when that ends, 750..1000 while the report is written.
        if (progress > 500) pastDecode_ = true;
        const bool report = pastDecode_ && progress != 990 && progress >= 750;
        const int percent = report ? int((std::min<uint32_t>(progress, 1000) - 750) * 100 / 250)
                                   : int(pastDecode_ ? 100 : progress / 5);
        if (drawn_ && percent == lastPercent_ && report == lastReport_) return;
        constexpr int kWidth = 30;
        const int filled = percent * kWidth / 100;
        std::string bar = std::string(report ? "report   [" : "decoding [") +
                          std::string(size_t(filled), '=') + std::string(size_t(kWidth - filled), ' ') +
                          "] " + std::to_string(percent) + "%";
        std::fprintf(stderr, terminal_ ? "\r%s\x1b[K" : "%s\n", bar.c_str());
        std::fflush(stderr);
        drawn_ = true;
        lastPercent_ = percent;
        lastReport_ = report;
    }

    void Finish() {
        if (drawn_ && terminal_) std::fputs("\r\x1b[K", stderr);
        drawn_ = false;
    }

  private:
    When when_;
    bool terminal_;
    Clock::time_point started_;
    bool pastDecode_ = false;
    bool drawn_ = false;
    int lastPercent_ = -1;
    bool lastReport_ = false;
};

struct RunResult {
    uint32_t entries = 0;
    bool aborted = false;
};

// A report section name of this process, fresh for every decode.
std::string NextReportName() {
    static int count = 0;
    return "hdmiddc_" + std::to_string(host::system::ProcessId()) + "_d" + std::to_string(++count);
}

// Analysis with the report going to the section named `reportName`. The section is read by the
// caller afterwards, once, so that a long report is held in memory only as that one text.
uint32_t AnalyzeWithReport(host::Session& session, const std::string& reportName) {
    HostDecodeContext& context = session.Context();
    std::memset(context.ReportName, 0, sizeof context.ReportName);
    std::memcpy(context.ReportName, reportName.data(),
                std::min(reportName.size(), sizeof context.ReportName - 1));
    context.ReportLineSink = nullptr;
    return session.Call([&](const host::PluginExports& e) { return e.Analysis(&context); });
}

// Runs Analysis on a worker thread (which is then the thread the plug-in calls NextEdge on)
// while this one draws the progress and turns an interrupt into the abort flag.
RunResult RunAnalysis(host::Session& session, const std::string& reportName, When progress) {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    RunResult result;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            result.entries = AnalyzeWithReport(session, reportName);
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(mutex);
        done = true;
        finished.notify_all();
    });
    ProgressBar bar(progress);
    {
        std::unique_lock lock(mutex);
        while (!finished.wait_for(lock, std::chrono::milliseconds(50), [&] { return done; })) {
            if (Interrupted() && !session.AbortRequested()) session.RequestAbort();
            bar.Update(session.Progress());
        }
    }
    worker.join();
    if (progress == When::Always) bar.Update(session.Progress());
    bar.Finish();
    if (failure) std::rethrow_exception(failure);
    result.aborted = session.AbortRequested();
    return result;
}

// ---- Warm-up ---------------------------------------------------------------------------------------

// The plug-in names its two packet files after the clock in seconds and waits for the clock to
// move on between them, so its first decode in a process waits up to a second. It keeps the
// files for later decodes, so a decode of a two-sample capture, run while the real capture is
// still being read, lets that wait pass alongside the reading.
class WarmUp {
  public:
    explicit WarmUp(std::shared_ptr<host::Plugin> plugin) : plugin_(std::move(plugin)) {}
    ~WarmUp() { Join(); }
    WarmUp(const WarmUp&) = delete;
    WarmUp& operator=(const WarmUp&) = delete;

    // Once per process: a second warm-up (a capture read again) would decode on the shared
    // decoder alongside the real decode.
    void Start(int64_t sampleRate) {
        if (started_.exchange(true)) return;
        thread_ = std::thread([this, sampleRate] {
            try {
                host::Capture idle(sampleRate > 0 ? sampleRate : 1);
                host::Levels high;
                high.Set(0, true);
                high.Set(1, true);
                idle.Append(0, high);
                idle.SetSampleCount(2);
                host::Session session(plugin_);
                session.Init();
                session.Defaults();
                session.SetReportOutput(host::ReportOutput::None);
                session.SetCapture(idle);
                session.Analyze();
            } catch (...) {
                // Only a head start: the real decode meets any problem again and reports it.
            }
        });
    }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

  private:
    std::shared_ptr<host::Plugin> plugin_;
    std::thread thread_;
    std::atomic<bool> started_{false};
};

// ---- Plug-in ---------------------------------------------------------------------------------------

// The report text exactly as the plug-in left it in its named section, read in place.
host::system::MappedSection SectionText(const std::string& name) {
    host::system::MappedSection section = host::system::MapNamedSection(name);
    if (section.missing) {
        // The plug-in names no cause: the section could not be made, or not as large as needed.
        std::string why = host::system::FileSizeLimit();
        if (why.empty()) why = "shared memory is full or refused";
        throw InputError("the plug-in could not create its report section " + name + ": " + why);
    }
    if (!section.found) throw InputError("the plug-in's report section " + section.error);
    if (section.text.empty()) throw InputError("the plug-in's report section " + name + " is empty");
    return section;
}

// Why files cannot be written in `folder` (gone, not writable, full, capped in size), or "" when they can.
std::string TempFolderProblem(const std::string& folder) {
    const std::string probe = folder + "probe.tmp";
    std::FILE* file = std::fopen(probe.c_str(), "wb");
    if (!file) return folder + ": " + std::strerror(errno);
    static const char kBlock[64 * 1024] = {};
    const bool written = std::fwrite(kBlock, 1, sizeof kBlock, file) == sizeof kBlock;
    const int savedErrno = errno;
    const bool closed = std::fclose(file) == 0;
    std::remove(probe.c_str());
    if (!written || !closed) return folder + ": " + std::strerror(written ? errno : savedErrno);
    // Room for the probe, but a limit on file size still stops packet files part-way.
    if (std::string limit = host::system::FileSizeLimit(); !limit.empty()) return folder + ": " + limit;
    return {};
}

// ---- Packets ---------------------------------------------------------------------------------------

const char* KindName(uint32_t kind) {
    static constexpr const char* kNames[] = {"Start",         "Stop",      "Address", "FirstByte",
                                             "SecondByte",    "ReadWrite", "Ack",     "Data",
                                             "RepeatedStart", "CbusData",  "Idle"};
    return kind < std::size(kNames) ? kNames[kind] : "Unknown";
}

// The decoded packets with what DataConv makes of each, asked for as the row is printed.
class PacketListing final : public Listing {
  public:
    PacketListing(host::Session& session, uint32_t entries) : session_(session) {
        const HostDecodeContext& context = session.Context();
        packets_ = host::PacketsFromStreams(context.PacketWordsView, context.PacketPositionsView, entries);
        if (!packets_.empty() && packets_.back().closing)
            packets_.pop_back();  // it only ends the last packet
        titles = {"Kind", "Label", "Fill", "Text"};
    }
    size_t RowCount() const override { return packets_.size(); }
    void GetRow(size_t index, Row& row) const override {
        const host::Packet& packet = packets_[index];
        const host::PacketLabel label = session_.Label(packet);
        row.sample = packet.position;
        const bool coloured = label.colorMode == 24;
        row.cells = {KindName(packet.kind), label.text, coloured ? HexColour(label.fillColor) : "",
                     coloured ? HexColour(label.textColor) : ""};
        const std::optional<ColourPair> pair =
            coloured ? std::optional<ColourPair>(ColourPair{label.textColor, label.fillColor}) : std::nullopt;
        row.colours = {std::nullopt, pair, std::nullopt, std::nullopt};
    }

  private:
    host::Session& session_;
    std::vector<host::Packet> packets_;
};

std::string ChannelJson(const host::Capture& capture, int channel) {
    return "{\"channel\": " + std::to_string(channel) +
           ", \"name\": " + JsonString(capture.ChannelName(channel)) + "}";
}

}  // namespace

namespace {
std::string PluginBesideExecutable() {
    const std::string folder = host::system::ExecutableFolder();
    if (folder.empty()) return {};
    const std::string path = folder + host::system::kPluginFileName;
    return host::system::IsReadableFile(path) ? path : std::string();
}

}  // namespace

std::shared_ptr<host::Plugin> LoadPlugin(const std::optional<std::string>& requested) {
    std::string path;
    if (requested) {
        path = requested->find('/') == std::string::npos ? "./" + *requested : *requested;
    } else {
        path = PluginBesideExecutable();
        if (path.empty()) path = HDMI_PLUGIN_DEFAULT_PATH;
    }
    std::string error;
    auto plugin = host::Plugin::TryLoad(path, error);
    if (!plugin) throw InputError(error);
    return plugin;
}

namespace {
// Ends the reading after a decode; a read that failed part-way fails the decode.
void FinishFeed(CaptureFeed& feed, const DecodeOptions& o) {
    try {
        feed.Finish();
    } catch (const host::CaptureError& error) {
        throw InputError(error.what());
    }
    // Never seen with this plug-in, which walks forward; should it happen, the stream cannot
    // serve it, and the user would get a wrong report without this check.
    if (feed.WentBack())
        throw InputError(
            o.file +
            ": the plug-in went back in the capture while it was streamed (decode it with --read-whole)");
}
}  // namespace

int RunDecode(Args args) {
    const DecodeOptions o = ParseOptions(args);

    // The plug-in first: a missing plug-in is reported before a long read.
    std::shared_ptr<host::Plugin> plugin = LoadPlugin(o.plugin);
    host::Session session(plugin);
    const PluginInfo info = session.Identify();
    if (std::string_view(info.name, strnlen(info.name, sizeof info.name)) != "DDC(EDID)")
        throw InputError(plugin->Path() + " is not the DDC(EDID) plug-in");
    session.Init();
    // The settings the host keeps between uses; without any, the plug-in's defaults.
    std::optional<host::StoredSettings> kept;
    if (o.useKeptSettings) {
        const std::string path = host::DefaultSettingsPath();
        try {
            if (!path.empty()) kept = host::LoadSettings(path);
        } catch (const host::SettingsFileError& error) {
            throw InputError(std::string(error.what()) +
                             " (hdmi-ddc settings --reset, or decode --no-settings)");
        }
        if (kept && !(kept->SettingsState & 1)) kept.reset();
    }
    if (kept) {
        kept->StoreInto(session.Context());
    } else if (session.Defaults() != 1) {
        throw InputError(plugin->Path() + ": DefaultSettings failed");
    }
    const std::optional<int> keptScl = kept ? std::optional<int>(kept->ChannelMap[0]) : std::nullopt;
    const std::optional<int> keptSda = kept ? std::optional<int>(kept->ChannelMap[1]) : std::nullopt;

    int scl = -1;
    int sda = -1;
    host::ReadOptions read;
    read.sampleRate = o.rate;
    read.cancelled = &Interrupted;
    WarmUp warmUp(plugin);
    read.select = [&](const host::Capture& header) {
        scl = ResolveChannel(header, o.scl, "SCL", o.file, keptScl);
        sda = ResolveChannel(header, o.sda, "SDA", o.file, keptSda);
        if (scl == sda)
            throw InputError(o.file + ": SCL and SDA are both channel " + std::to_string(scl) +
                             "; they must be two different channels");
        warmUp.Start(header.SampleRate());
        host::Levels keep;
        keep.Set(scl, true);
        keep.Set(sda, true);
        return keep;
    };
    bool stream = false;
    try {
        stream = !o.readWhole && host::CanStream(host::DetectCaptureFormat(o.file));
    } catch (const host::CaptureError& error) {
        throw InputError(error.what());
    }
    CaptureFeed feed(o.file, read, stream);
    try {
        feed.Open();
    } catch (const host::ReadCancelled&) {
        std::fprintf(stderr, "hdmi-ddc: interrupted while reading %s; nothing was decoded\n", o.file.c_str());
        return kExitInterrupted;
    } catch (const host::CaptureError& error) {
        throw InputError(error.what());
    }
    const host::Capture& capture = feed.Header();
    if (capture.SampleRate() <= 0)
        throw InputError(o.file + ": the capture has no sample rate (give one with --rate)");
    warmUp.Join();

    // Settings into the record, as the settings dialog would leave them.
    session.SetChannels(scl, sda);
    session.Context().HostChannelCount = uint16_t(std::clamp(capture.ChannelCount(), 2, host::kMaxChannels));
    if (o.eightBit) session.SetEightBitAddress(*o.eightBit);
    if (o.glitch) session.SetGlitchFilter(*o.glitch);
    if (o.stats) session.SetStatistics(*o.stats);
    const int64_t first = o.from ? ParsePosition("--from", *o.from, capture) : 0;
    const int64_t last = o.to ? ParsePosition("--to", *o.to, capture) : capture.SampleCount() - 1;
    if (first > last) throw InputError("--from lies after --to");
    constexpr int kCursorA = 2;
    constexpr int kCursorB = 3;
    if (o.from) session.SetMarker(kCursorA, first);
    if (o.to) session.SetMarker(kCursorB, last);
    session.SetRange(o.from ? kCursorA : 0, o.to ? kCursorB : 0);

    TrackingSource source(feed);
    session.SetCapture(source);
    session.AbortAfterEdges(o.abortAfterEdges);
    std::string reportName = NextReportName();
    RunResult run = RunAnalysis(session, reportName, o.progress);
    FinishFeed(feed, o);

    bool cutShort = false;
    int64_t decodedTo = last;
    std::string shortNote;
    if (run.aborted) {
        cutShort = true;
        const bool busDone = source.LastAnswer() == -1 || source.LastAnswer() > last;
        if (busDone) {
            shortNote = "interrupted while the report was written; the report ends early";
        } else {
            // The report pass saw the abort too and wrote nothing: decode again, up to where the
            // first pass stopped, for a report of what was decoded.
            decodedTo = source.LastAsked();
            if (decodedTo <= first) {
                std::fprintf(stderr, "hdmi-ddc: interrupted before anything was decoded\n");
                return kExitInterrupted;
            }
            ClearInterrupted();
            session.ClearAbort();
            session.AbortAfterEdges(-1);
            session.SetMarker(kCursorB, decodedTo);
            session.SetRange(o.from ? kCursorA : 0, kCursorB);
            source.Reset();
            try {
                feed.Restart();
            } catch (const host::CaptureError& error) {
                throw InputError(error.what());
            }
            session.SetCapture(source);
            reportName = NextReportName();
            run = RunAnalysis(session, reportName, o.progress);
            FinishFeed(feed, o);
            const TimeFormat time(capture.SampleRate(), capture.SampleCount());
            shortNote = "interrupted: decoded samples " + std::to_string(first) + " to " +
                        std::to_string(decodedTo) + " of " + std::to_string(capture.SampleCount()) +
                        " (up to " + time.Format(decodedTo) + " " + time.Unit() + ")" +
                        (run.aborted ? "; the report of them was interrupted too" : "") +
                        "; the output is cut short there";
        }
    }
    if (run.entries == 0) {
        // The commonest cause is outside the capture: the folder for the packet files.
        if (const std::string problem = TempFolderProblem(plugin->TempFolder()); !problem.empty())
            throw InputError("the plug-in could not write its packet files: " + problem);
        std::fprintf(stderr, "hdmi-ddc: the plug-in could not decode %s (Analysis returned 0)\n",
                     o.file.c_str());
        return cutShort ? kExitInterrupted : kExitDecodeFailed;
    }

    // The capture is done with: what is printed comes from the section and the packet views.
    const TimeFormat time(capture.SampleRate(), capture.SampleCount());
    const std::string meta =
        "\"file\": " + JsonString(o.file) + ", \"sampleRate\": " + std::to_string(capture.SampleRate()) +
        ", \"samples\": " + std::to_string(capture.SampleCount()) +
        ",\n  \"scl\": " + ChannelJson(capture, scl) + ", \"sda\": " + ChannelJson(capture, sda) +
        ",\n  \"decodedFrom\": " + std::to_string(first) + ", \"decodedTo\": " + std::to_string(decodedTo) +
        ", \"complete\": " + (cutShort ? "false" : "true");
    feed.Release();
    const bool colour =
        o.colour == When::Always ||
        (o.colour == When::Auto && host::system::IsTerminal(stdout) && !std::getenv("NO_COLOR") &&
         std::string_view(std::getenv("TERM") ? std::getenv("TERM") : "") != "dumb");
    static char outputBuffer[1 << 16];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

    bool written = true;
    const host::system::MappedSection section =
        o.packets ? host::system::MappedSection() : SectionText(reportName);
    const std::string_view text = section.text;
    if (o.format == OutputFormat::Raw) {
        written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
    } else {
        std::unique_ptr<Listing> owned;
        if (o.packets) {
            owned = std::make_unique<PacketListing>(session, run.entries);
        } else {
            owned = std::make_unique<ReportListing>(text);
        }
        const Listing& listing = *owned;
        switch (o.format) {
            case OutputFormat::Table:
                written = PrintTable(stdout, listing, time, colour);
                break;
            case OutputFormat::Csv:
                written = PrintCsv(stdout, listing, time);
                break;
            default: {
                written = PrintJson(stdout, meta, o.packets ? "packets" : "rows", listing, time);
            }
        }
    }
    if (!written && Interrupted()) {
        std::fprintf(stderr, "hdmi-ddc: interrupted while printing; the output is cut short\n");
        return kExitInterrupted;
    }
    if (!written) {
        if (errno == EPIPE) return cutShort ? kExitInterrupted : kExitOk;  // the reader went away
        std::fprintf(stderr, "hdmi-ddc: cannot write the output: %s\n", std::strerror(errno));
        return kExitDecodeFailed;
    }
    if (cutShort) {
        std::fprintf(stderr, "hdmi-ddc: %s\n", shortNote.c_str());
        return kExitInterrupted;
    }
    return kExitOk;
}

}  // namespace hdmi::cli
