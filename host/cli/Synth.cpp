// hdmi-ddc synth: captures of scripted DDC traffic, as an HDMI source produces it after a
// hot-plug: EDID reads, SCDC set-up, HDCP 1.x authentication, then status polling and link
// checks.
#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <vector>

#include "BusSynth.h"
#include "CaptureFile.h"
#include "Cli.h"
#include "CsvFile.h"
#include "EdidFile.h"
#include "SigrokFile.h"
#include "VcdFile.h"

namespace hdmi::cli {

namespace {

constexpr uint8_t kEdidAddress = 0xA0;
constexpr uint8_t kSegmentAddress = 0x60;
constexpr uint8_t kHdcpAddress = 0x74;
constexpr uint8_t kScdcAddress = 0xA8;

// HDCP 1.x receiver registers.
constexpr uint8_t kBksv = 0x00;
constexpr uint8_t kRi = 0x08;
constexpr uint8_t kAksv = 0x10;
constexpr uint8_t kAinfo = 0x15;
constexpr uint8_t kAn = 0x18;
constexpr uint8_t kBcaps = 0x40;
// HDMI capable, 1.1 features, fast re-authentication.
constexpr uint8_t kBcapsValue = 0x83;
constexpr uint8_t kAinfoEnable11 = 0x02;

// SCDC registers and the values a sink that runs a scrambled link reports.
constexpr uint8_t kSinkVersion = 0x01;
constexpr uint8_t kSourceVersion = 0x02;
constexpr uint8_t kUpdate0 = 0x10;
constexpr uint8_t kTmdsConfig = 0x20;
constexpr uint8_t kScramblerStatus = 0x21;
constexpr uint8_t kStatusFlags0 = 0x40;
constexpr uint8_t kErrorCounters = 0x50;
constexpr uint8_t kStatusUpdate = 0x01;  // Update_0 bits
constexpr uint8_t kCedUpdate = 0x02;
constexpr uint8_t kScramblingAndRatio40 = 0x03;
constexpr uint8_t kClockAndLanesLocked = 0x0F;

enum class OutFormat { Sigrok, Vcd, Csv };

struct SynthOptions {
    std::string out;
    OutFormat format = OutFormat::Sigrok;
    int64_t rate = 10'000'000;
    int64_t sclHz = 100'000;
    std::optional<std::string> edidFile;
    bool hdcp = false;
    bool scdc = false;
    int64_t polls = 3;
    int64_t gapNs = 200'000;
    int64_t glitches = 0;
    uint64_t seed = 1;
    int64_t repeat = 1;
    int64_t minSamples = 0;
};

uint64_t NextRandom(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int64_t Frequency(const char* option, const std::string& text) {
    const int64_t hz = host::ParseFrequency(text);
    if (hz <= 0)
        throw InputError(std::string(option) + " wants a frequency such as 10MHz, not \"" + text + "\"");
    return hz;
}

SynthOptions ParseOptions(Args& args) {
    SynthOptions o;
    if (auto v = args.Value("--rate")) o.rate = Frequency("--rate", *v);
    if (auto v = args.Value("--scl-freq")) o.sclHz = Frequency("--scl-freq", *v);
    o.edidFile = args.Value("--edid");
    o.hdcp = args.Switch("--hdcp");
    o.scdc = args.Switch("--scdc");
    if (auto v = args.Value("--polls")) o.polls = ParseCount("--polls", *v, 0, 100000);
    if (auto v = args.Value("--gap")) {
        const int64_t fs = host::ParseDurationFs(*v);
        if (fs < 0 || fs > 3'600'000'000'000'000'000)
            throw InputError("--gap wants a time such as 200us, not \"" + *v + "\"");
        o.gapNs = fs / 1'000'000;
    }
    if (auto v = args.Value("--glitches")) o.glitches = ParseCount("--glitches", *v, 0, 1'000'000);
    if (auto v = args.Value("--seed")) o.seed = uint64_t(ParseCount("--seed", *v, 0, INT64_MAX / 2));
    if (auto v = args.Value("--repeat")) o.repeat = ParseCount("--repeat", *v, 1, 1'000'000);
    if (auto v = args.Value("--min-samples"))
        o.minSamples = ParseCount("--min-samples", *v, 1, int64_t(1) << 40);
    std::optional<std::string> format = args.Value("--format");
    const std::vector<std::string> outs = args.Positionals();
    args.Finish();
    if (outs.size() != 1) throw InputError("synth wants exactly one output file (see hdmi-ddc help)");
    o.out = outs[0];
    if (!format) {
        const size_t dot = o.out.rfind('.');
        format = dot == std::string::npos ? "" : o.out.substr(dot + 1);
    }
    if (*format == "sr") {
        o.format = OutFormat::Sigrok;
    } else if (*format == "vcd") {
        o.format = OutFormat::Vcd;
    } else if (*format == "csv") {
        o.format = OutFormat::Csv;
    } else {
        throw InputError("cannot tell the output format of " + o.out +
                         " (name it .sr, .vcd or .csv, or give --format)");
    }
    if (!o.edidFile && !o.hdcp && !o.scdc)
        throw InputError("synth needs something to write: --edid, --scdc or --hdcp");
    return o;
}

// The traffic as bus operations, before any timing: one list that can be counted, repeated and
// given glitches before it is turned into a waveform.
struct Op {
    enum Kind { Start, Restart, Stop, Byte, Idle } kind;
    uint8_t value = 0;
    bool ack = true;
    int64_t ns = 0;
    int glitchBit = -1;  // a one-sample SDA pulse while SCL is high in this data bit (7 = MSB)
};

class Script {
  public:
    explicit Script(int64_t gapNs) : gapNs_(gapNs) {}

    void Write(uint8_t address, uint8_t offset, std::vector<uint8_t> data) {
        Add(Op::Start);
        AddByte(address, true);
        AddByte(offset, true);
        for (uint8_t b : data) AddByte(b, true);
        End();
    }
    void Read(uint8_t address, uint8_t offset, const std::vector<uint8_t>& data) {
        Add(Op::Start);
        AddByte(address, true);
        AddByte(offset, true);
        Add(Op::Restart);
        ReadBytes(address, data);
    }
    // E-DDC: the segment pointer first for blocks 2 and above.
    void EdidRead(std::optional<uint8_t> segment, uint8_t offset, const std::vector<uint8_t>& data) {
        Add(Op::Start);
        if (segment) {
            AddByte(kSegmentAddress, true);
            AddByte(*segment, true);
            Add(Op::Restart);
        }
        AddByte(kEdidAddress, true);
        AddByte(offset, true);
        Add(Op::Restart);
        ReadBytes(kEdidAddress, data);
    }
    // A read without an offset: the receiver goes on from its current register.
    void ShortRead(uint8_t address, const std::vector<uint8_t>& data) {
        Add(Op::Start);
        ReadBytes(address, data);
    }
    void Pause(int64_t ns) { ops_.push_back({Op::Idle, 0, true, ns, -1}); }

    std::vector<Op>& Ops() { return ops_; }

  private:
    void Add(Op::Kind kind) { ops_.push_back({kind, 0, true, 0, -1}); }
    void AddByte(uint8_t value, bool ack) { ops_.push_back({Op::Byte, value, ack, 0, -1}); }
    void ReadBytes(uint8_t address, const std::vector<uint8_t>& data) {
        AddByte(uint8_t(address | 1), true);
        for (size_t i = 0; i < data.size(); ++i) AddByte(data[i], i + 1 < data.size());
        End();
    }
    void End() {
        Add(Op::Stop);
        Pause(gapNs_);
    }

    int64_t gapNs_;
    std::vector<Op> ops_;
};

// A KSV as HDCP 1.x wants it: 40 bits, exactly 20 of them ones.
std::vector<uint8_t> Ksv(uint64_t& rng) {
    std::array<int, 40> bits{};
    for (int i = 0; i < 40; ++i) bits[size_t(i)] = i;
    for (int i = 39; i > 0; --i) std::swap(bits[size_t(i)], bits[NextRandom(rng) % uint64_t(i + 1)]);
    std::vector<uint8_t> ksv(5, 0);
    for (int i = 0; i < 20; ++i) ksv[size_t(bits[size_t(i)] / 8)] |= uint8_t(1u << (bits[size_t(i)] % 8));
    return ksv;
}

std::vector<uint8_t> RandomBytes(uint64_t& rng, size_t count) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) b = uint8_t(NextRandom(rng));
    return bytes;
}

// The character error counters 50h..56h: three 15-bit counts with their valid bits, and the
// checksum that makes the seven bytes sum to zero.
std::vector<uint8_t> ErrorCounters(uint64_t& rng) {
    std::vector<uint8_t> bytes;
    for (int lane = 0; lane < 3; ++lane) {
        bytes.push_back(uint8_t(NextRandom(rng) % 8));
        bytes.push_back(0x80);
    }
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = uint8_t(sum + b);
    bytes.push_back(uint8_t(-sum));
    return bytes;
}

// One hot-plug: EDID, SCDC set-up, HDCP authentication, then `polls` rounds of status polling.
void HotPlug(Script& script, const SynthOptions& o, const std::vector<uint8_t>& edid, uint64_t& rng) {
    for (size_t block = 0; block * 128 < edid.size(); ++block) {
        const std::vector<uint8_t> bytes(edid.begin() + ptrdiff_t(block * 128),
                                         edid.begin() + ptrdiff_t(block * 128 + 128));
        const std::optional<uint8_t> segment =
            block >= 2 ? std::optional<uint8_t>(uint8_t(block / 2)) : std::nullopt;
        script.EdidRead(segment, uint8_t((block % 2) * 128), bytes);
    }
    if (o.scdc) {
        script.Read(kScdcAddress, kSinkVersion, {0x01});
        script.Write(kScdcAddress, kSourceVersion, {0x01});
        script.Write(kScdcAddress, kTmdsConfig, {kScramblingAndRatio40});
        script.Read(kScdcAddress, kScramblerStatus, {0x01});
    }
    if (o.hdcp) {
        script.Read(kHdcpAddress, kBcaps, {kBcapsValue});
        script.Read(kHdcpAddress, kBksv, Ksv(rng));
        script.Write(kHdcpAddress, kAinfo, {kAinfoEnable11});
        script.Write(kHdcpAddress, kAn, RandomBytes(rng, 8));
        script.Write(kHdcpAddress, kAksv, Ksv(rng));
        // The receiver has 100 ms to compute R0'; the source waits before reading it.
        script.Pause(std::max<int64_t>(o.gapNs, 1'000'000));
        script.Read(kHdcpAddress, kRi, RandomBytes(rng, 2));
    }
    for (int64_t poll = 0; poll < o.polls; ++poll) {
        if (o.scdc) {
            const uint8_t flags = poll == 0 ? kStatusUpdate : poll == 1 ? kCedUpdate : 0x00;
            script.Read(kScdcAddress, kUpdate0, {flags, 0x00});
            if (flags == kStatusUpdate) {
                script.Read(kScdcAddress, kStatusFlags0, {kClockAndLanesLocked, 0x00});
                script.Write(kScdcAddress, kUpdate0, {kStatusUpdate});  // writing 1 clears the flag
            } else if (flags == kCedUpdate) {
                script.Read(kScdcAddress, kErrorCounters, ErrorCounters(rng));
                script.Write(kScdcAddress, kUpdate0, {kCedUpdate});
            }
        }
        if (o.hdcp) {
            // Link checks of Ri': every other one as the short read that needs no offset.
            if (poll % 2 == 0) {
                script.Read(kHdcpAddress, kRi, RandomBytes(rng, 2));
            } else {
                script.ShortRead(kHdcpAddress, RandomBytes(rng, 2));
            }
        }
    }
}

void Render(host::BusSynth& bus, const std::vector<Op>& ops) {
    for (const Op& op : ops) {
        switch (op.kind) {
            case Op::Start:
                bus.start();
                break;
            case Op::Restart:
                bus.restart();
                break;
            case Op::Stop:
                bus.stop();
                break;
            case Op::Idle:
                bus.idle(op.ns);
                break;
            case Op::Byte:
                if (op.glitchBit < 0) {
                    bus.byte(op.value, op.ack);
                    break;
                }
                for (int bit = 7; bit >= 0; --bit) {
                    if (bit != op.glitchBit) {
                        bus.bit((op.value >> bit) & 1u);
                        continue;
                    }
                    if (bus.SclLevel()) bus.scl(false);
                    bus.sda((op.value >> bit) & 1u).scl(true).glitchSda().quarter();
                    bus.scl(false);
                }
                bus.bit(!op.ack);
                break;
        }
    }
}

}  // namespace

int RunSynth(Args args) {
    const SynthOptions o = ParseOptions(args);
    std::vector<uint8_t> edid;
    try {
        if (o.edidFile) edid = host::ReadEdidFile(*o.edidFile);
    } catch (const host::CaptureError& error) {
        throw InputError(error.what());
    }

    uint64_t rng = o.seed;
    Script round(o.gapNs);
    round.Pause(o.gapNs);
    HotPlug(round, o, edid, rng);

    try {
        // How many rounds: as asked, or as many as the wanted length needs.
        int64_t rounds = o.repeat;
        if (o.minSamples > 0) {
            host::BusSynth probe(o.rate, o.sclHz);
            Render(probe, round.Ops());
            const int64_t perRound = std::max<int64_t>(1, probe.Now());
            rounds = std::max(rounds, (o.minSamples + perRound - 1) / perRound);
        }
        std::vector<Op> ops;
        ops.reserve(round.Ops().size() * size_t(rounds));
        for (int64_t r = 0; r < rounds; ++r) ops.insert(ops.end(), round.Ops().begin(), round.Ops().end());

        std::vector<size_t> bytes;
        for (size_t i = 0; i < ops.size(); ++i)
            if (ops[i].kind == Op::Byte) bytes.push_back(i);
        if (size_t(o.glitches) > bytes.size())
            throw InputError("--glitches " + std::to_string(o.glitches) + " exceeds the " +
                             std::to_string(bytes.size()) + " bytes of the traffic");
        uint64_t glitchRng = o.seed ^ 0x5A5A5A5A5A5A5A5Aull;
        for (int64_t g = 0; g < o.glitches; ++g) {
            // A partial shuffle picks distinct bytes.
            const size_t pick = size_t(g) + size_t(NextRandom(glitchRng) % (bytes.size() - size_t(g)));
            std::swap(bytes[size_t(g)], bytes[pick]);
            ops[bytes[size_t(g)]].glitchBit = int(NextRandom(glitchRng) % 8);
        }

        host::BusSynth bus(o.rate, o.sclHz);
        Render(bus, ops);
        host::Capture capture = bus.Take();
        if (o.minSamples > capture.SampleCount()) capture.SetSampleCount(o.minSamples);
        capture.SetChannelName(0, "SCL");
        capture.SetChannelName(1, "SDA");
        switch (o.format) {
            case OutFormat::Sigrok:
                host::WriteSigrok(o.out, capture);
                break;
            case OutFormat::Vcd:
                host::WriteVcd(o.out, capture);
                break;
            case OutFormat::Csv:
                host::WriteCsv(o.out, capture);
                break;
        }
        std::printf("%s: %lld samples at %s, %zu level changes, %lld round%s of traffic\n", o.out.c_str(),
                    (long long)capture.SampleCount(), host::FormatFrequency(o.rate).c_str(),
                    capture.RunCount(), (long long)rounds, rounds == 1 ? "" : "s");
    } catch (const host::CaptureError& error) {
        throw InputError(error.what());
    } catch (const std::invalid_argument& error) {
        throw InputError(error.what());
    }
    return kExitOk;
}

}  // namespace hdmi::cli
