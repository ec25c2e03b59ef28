#include "SigrokFile.h"

#include <zip.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace hdmi::host {

static_assert(std::endian::native == std::endian::little, "samples are read as little-endian words");

namespace {

constexpr int kMaxUnitSize = kMaxChannels / 8;
constexpr size_t kReadBlock = 256 << 10;
constexpr size_t kMaxReadThreads = 4;
constexpr size_t kMetadataLimit = 1 << 20;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

struct ZipArchive {
    zip_t* zip = nullptr;
    ~ZipArchive() {
        if (zip) zip_discard(zip);
    }
};

struct ZipMember {
    zip_file_t* file = nullptr;
    ~ZipMember() {
        if (file) zip_fclose(file);
    }
};

std::string ZipOpenError(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// [section] -> key -> value.
using Ini = std::map<std::string, std::map<std::string, std::string>>;

Ini ParseIni(std::string_view text) {
    Ini ini;
    std::string section;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = std::string(Trim(line.substr(1, line.size() - 2)));
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        ini[section][std::string(Trim(line.substr(0, equals)))] = std::string(Trim(line.substr(equals + 1)));
    }
    return ini;
}

bool ParseCount(const std::string& text, int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

struct Run {
    int64_t position;
    Levels levels;
};

// Notes a run for every change of the kept bits, walking the samples with 64-bit words where the
// unit size allows: a stretch of unchanged samples costs one compare per eight bytes. The first
// sample always starts a run (the capture merges it when it continues the run before).
class RunScanner {
  public:
    RunScanner(std::deque<Run>& runs, int unitSize, const Levels& keep, int64_t firstSample)
        : runs_(runs), unit_(unitSize), position_(firstSample) {
        std::memcpy(mask_.data(), keep.bytes.data(), size_t(unitSize));
        std::memcpy(&mask64_, mask_.data(), std::min<size_t>(8, size_t(unitSize)));
    }

    // `bytes` may end inside a sample; the rest of that sample comes with the next call.
    void Feed(const uint8_t* data, size_t bytes) {
        if (carried_ > 0) {
            const size_t take = std::min(bytes, size_t(unit_) - carried_);
            std::memcpy(carry_.data() + carried_, data, take);
            carried_ += take;
            data += take;
            bytes -= take;
            if (carried_ < size_t(unit_)) return;
            Samples(carry_.data(), 1);
            carried_ = 0;
        }
        const size_t whole = bytes / size_t(unit_);
        Samples(data, whole);
        carried_ = bytes - whole * size_t(unit_);
        std::memcpy(carry_.data(), data + whole * size_t(unit_), carried_);
    }

    int64_t Position() const { return position_; }

  private:
    void Samples(const uint8_t* data, size_t count) {
        switch (unit_) {
            case 1:
                Fixed<1>(data, count);
                break;
            case 2:
                Fixed<2>(data, count);
                break;
            case 4:
                Fixed<4>(data, count);
                break;
            case 8:
                Fixed<8>(data, count);
                break;
            default:
                Generic(data, count);
                break;
        }
        position_ += int64_t(count);
    }

    template <int U>
    static uint64_t Load(const uint8_t* p) {
        uint64_t value = 0;
        std::memcpy(&value, p, U);
        return value;
    }

    template <int U>
    static uint64_t Repeat(uint64_t value) {
        if constexpr (U == 1) return value * 0x0101010101010101ull;
        if constexpr (U == 2) return value * 0x0001000100010001ull;
        if constexpr (U == 4) return value * 0x0000000100000001ull;
        return value;
    }

    template <int U>
    void Fixed(const uint8_t* data, size_t count) {
        constexpr size_t kPerWord = 8 / U;
        const uint64_t maskWord = Repeat<U>(mask64_);
        uint64_t current = 0;
        std::memcpy(&current, current_.data(), U);
        uint64_t pattern = Repeat<U>(current);
        size_t i = 0;
        if (!started_ && count > 0) {
            current = Load<U>(data) & mask64_;
            pattern = Repeat<U>(current);
            Change(position_, current);
            i = 1;
        }
        while (i < count) {
            if (i + 4 * kPerWord <= count) {
                const uint8_t* p = data + i * U;
                const uint64_t differ = (Load<8>(p) ^ pattern) | (Load<8>(p + 8) ^ pattern) |
                                        (Load<8>(p + 16) ^ pattern) | (Load<8>(p + 24) ^ pattern);
                if ((differ & maskWord) == 0) {
                    i += 4 * kPerWord;
                    continue;
                }
            }
            if (i + kPerWord <= count && ((Load<8>(data + i * U) ^ pattern) & maskWord) == 0) {
                i += kPerWord;
                continue;
            }
            const uint64_t value = Load<U>(data + i * U) & mask64_;
            if (value != current) {
                current = value;
                pattern = Repeat<U>(value);
                Change(position_ + int64_t(i), value);
            }
            ++i;
        }
    }

    void Change(int64_t position, uint64_t value) {
        std::memcpy(current_.data(), &value, 8);
        Run run{position, Levels{}};
        std::memcpy(run.levels.bytes.data(), current_.data(), size_t(unit_));
        runs_.push_back(run);
        started_ = true;
    }

    void Generic(const uint8_t* data, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* sample = data + i * size_t(unit_);
            bool same = started_;
            for (int b = 0; b < unit_ && same; ++b)
                same = (sample[b] & mask_[size_t(b)]) == current_[size_t(b)];
            if (same) continue;
            for (int b = 0; b < unit_; ++b) current_[size_t(b)] = uint8_t(sample[b] & mask_[size_t(b)]);
            Run run{position_ + int64_t(i), Levels{}};
            std::memcpy(run.levels.bytes.data(), current_.data(), size_t(unit_));
            runs_.push_back(run);
            started_ = true;
        }
    }

    std::deque<Run>& runs_;
    int unit_;
    std::array<uint8_t, 16> mask_{};
    uint64_t mask64_ = 0;
    std::array<uint8_t, 16> current_{};
    bool started_ = false;
    int64_t position_;
    std::array<uint8_t, 16> carry_{};
    size_t carried_ = 0;
};

std::string ReadWholeMember(zip_t* zip, const std::string& path, const char* name) {
    ZipMember member{zip_fopen(zip, name, 0)};
    if (!member.file)
        throw CaptureError(path + ": not a sigrok session (no \"" + name + "\" in the archive)");
    std::string text;
    char buffer[4096];
    while (true) {
        const zip_int64_t got = zip_fread(member.file, buffer, sizeof buffer);
        if (got < 0)
            throw CaptureError(path + ": corrupt archive member \"" + name +
                               "\": " + zip_file_strerror(member.file));
        if (got == 0) break;
        text.append(buffer, size_t(got));
        if (text.size() > kMetadataLimit)
            throw CaptureError(path + ": \"" + name + "\" is implausibly large");
    }
    return text;
}

struct Chunk {
    int64_t number;
    zip_uint64_t index;
    int64_t firstSample = 0;
    uint64_t bytes = 0;
};

// The members holding the logic samples, in order: "<capturefile>" alone (old sessions) or
// "<capturefile>-1", "<capturefile>-2", ...
std::vector<Chunk> FindChunks(zip_t* zip, const std::string& capturefile) {
    std::vector<Chunk> chunks;
    const zip_int64_t entries = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < entries; ++i) {
        const char* raw = zip_get_name(zip, zip_uint64_t(i), 0);
        if (!raw) continue;
        const std::string_view name(raw);
        if (name == capturefile) {
            chunks.push_back({0, zip_uint64_t(i), 0, 0});
            continue;
        }
        if (!name.starts_with(capturefile) || name.size() <= capturefile.size() + 1 ||
            name[capturefile.size()] != '-')
            continue;
        int64_t number = 0;
        if (ParseCount(std::string(name.substr(capturefile.size() + 1)), number))
            chunks.push_back({number, zip_uint64_t(i), 0, 0});
    }
    std::sort(chunks.begin(), chunks.end(),
              [](const Chunk& a, const Chunk& b) { return a.number < b.number; });
    return chunks;
}

// Feeds one member to the scanner block by block, calling `drain` after each block; checks that
// it holds the bytes the archive's directory promises.
template <class Drain>
void ScanMember(zip_t* zip, const std::string& path, const Chunk& chunk, RunScanner& scanner, uint8_t* buffer,
                const ReadOptions& options, Drain&& drain) {
    const char* name = zip_get_name(zip, chunk.index, 0);
    const std::string member = name ? name : "?";
    ZipMember file{zip_fopen_index(zip, chunk.index, 0)};
    if (!file.file) throw CaptureError(path + ": cannot open " + member + ": " + zip_strerror(zip));
    uint64_t total = 0;
    while (true) {
        if (options.cancelled && options.cancelled()) throw ReadCancelled();
        const zip_int64_t got = zip_fread(file.file, buffer, kReadBlock);
        if (got < 0)
            throw CaptureError(path + ": corrupt sample data in " + member + ": " +
                               zip_file_strerror(file.file));
        if (got == 0) break;
        total += uint64_t(got);
        scanner.Feed(buffer, size_t(got));
        drain();
    }
    if (total != chunk.bytes) throw CaptureError(path + ": truncated sample data in " + member);
}

// Members hold independent deflate streams: workers inflate and scan them side by side, each
// with its own handle on the archive, and the runs join the capture in member order.
template <class Emit>
void ScanInParallel(const std::string& path, const std::vector<Chunk>& chunks, int unit, const Levels& keep,
                    const ReadOptions& options, size_t threads, Emit&& emit) {
    struct Result {
        std::deque<Run> runs;
        std::exception_ptr error;
        bool done = false;
    };
    // Workers stay at most this many members ahead of the capture, so that runs waiting to join
    // it never pile up.
    const size_t lookahead = 2 * threads;
    std::vector<Result> results(chunks.size());
    std::mutex mutex;
    std::condition_variable ready;  // a result is done
    std::condition_variable room;   // a member joined the capture, or stop
    size_t next = 0;                // guarded by mutex, as are merged and stop
    size_t merged = 0;
    bool stop = false;

    auto take = [&] {
        std::unique_lock lock(mutex);
        room.wait(lock, [&] { return stop || next < merged + lookahead; });
        return stop ? chunks.size() : next++;
    };
    auto work = [&] {
        int openError = 0;
        ZipArchive archive{zip_open(path.c_str(), ZIP_RDONLY, &openError)};
        const std::unique_ptr<uint8_t[]> buffer(new uint8_t[kReadBlock]);
        for (size_t i = take(); i < chunks.size(); i = take()) {
            std::deque<Run> runs;
            std::exception_ptr error;
            try {
                if (!archive.zip)
                    throw CaptureError(path + ": cannot reopen (" + ZipOpenError(openError) + ")");
                RunScanner scanner(runs, unit, keep, chunks[i].firstSample);
                ScanMember(archive.zip, path, chunks[i], scanner, buffer.get(), options, [] {});
            } catch (...) {
                error = std::current_exception();
            }
            std::lock_guard lock(mutex);
            if (error) stop = true;
            results[i].runs = std::move(runs);
            results[i].error = error;
            results[i].done = true;
            ready.notify_all();
            room.notify_all();
        }
    };
    std::vector<std::thread> workers;
    struct Joiner {
        std::vector<std::thread>& workers;
        std::mutex& mutex;
        std::condition_variable& room;
        bool& stop;
        ~Joiner() {
            {
                std::lock_guard lock(mutex);
                stop = true;
            }
            room.notify_all();
            for (std::thread& worker : workers) worker.join();
        }
    } joiner{workers, mutex, room, stop};
    for (size_t t = 0; t < threads; ++t) workers.emplace_back(work);

    for (size_t i = 0; i < results.size(); ++i) {
        std::deque<Run> runs;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return results[i].done; });
            if (results[i].error) std::rethrow_exception(results[i].error);
            runs = std::move(results[i].runs);
        }
        for (const Run& run : runs) emit(run.position, run.levels);
        {
            std::lock_guard lock(mutex);
            merged = i + 1;
        }
        room.notify_all();
    }
}
}  // namespace

Capture ReadSigrok(const std::string& path, const ReadOptions& options) {
    int openError = 0;
    ZipArchive archive{zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &openError)};
    if (!archive.zip)
        throw CaptureError(path + ": corrupt or truncated sigrok session (" + ZipOpenError(openError) + ")");

    const Ini ini = ParseIni(ReadWholeMember(archive.zip, path, "metadata"));
    const auto device = ini.find("device 1");
    if (device == ini.end()) throw CaptureError(path + ": the session metadata has no [device 1]");
    const auto& keys = device->second;
    auto value = [&](const char* key) -> std::string {
        const auto found = keys.find(key);
        return found == keys.end() ? std::string() : found->second;
    };

    const std::string capturefile = value("capturefile");
    if (capturefile.empty()) throw CaptureError(path + ": the session holds no logic data (no capturefile)");

    int64_t unitSize = 1;
    if (!value("unitsize").empty() && (!ParseCount(value("unitsize"), unitSize) || unitSize < 1))
        throw CaptureError(path + ": bad unitsize \"" + value("unitsize") + "\"");
    if (unitSize > kMaxUnitSize)
        throw CaptureError(path + ": unitsize " + std::to_string(unitSize) +
                           " exceeds the 128 channels supported");

    int64_t probes = 0;
    if (!value("total probes").empty() && !ParseCount(value("total probes"), probes))
        throw CaptureError(path + ": bad \"total probes\" \"" + value("total probes") + "\"");

    Capture capture;
    for (const auto& [key, name] : keys) {
        int64_t number = 0;
        if (!key.starts_with("probe") || !ParseCount(key.substr(5), number)) continue;
        if (number < 1 || number > unitSize * 8)
            throw CaptureError(path + ": " + key + " lies outside the " + std::to_string(unitSize * 8) +
                               " channels of a " + std::to_string(unitSize) + "-byte sample");
        capture.SetChannelName(int(number - 1), name);
        probes = std::max(probes, number);
    }
    if (probes == 0) probes = unitSize * 8;
    if (probes > unitSize * 8)
        throw CaptureError(path + ": " + std::to_string(probes) + " probes do not fit a " +
                           std::to_string(unitSize) + "-byte sample");
    capture.SetChannelCount(int(probes));

    int64_t rate = options.sampleRate;
    if (rate <= 0 && !value("samplerate").empty()) {
        rate = ParseFrequency(value("samplerate"));
        if (rate <= 0) throw CaptureError(path + ": bad samplerate \"" + value("samplerate") + "\"");
    }
    if (rate <= 0) throw CaptureError(path + ": the session gives no sample rate (give one with --rate)");
    capture.SetSampleRate(rate);

    Levels keep = options.select ? options.select(capture) : AllChannels();
    for (int channel = int(probes); channel < kMaxChannels; ++channel) keep.Set(channel, false);

    std::vector<Chunk> chunks = FindChunks(archive.zip, capturefile);
    if (chunks.empty())
        throw CaptureError(path + ": the capture holds no samples (no " + capturefile + " data)");

    const int unit = int(unitSize);
    bool wholeSamples = true;  // every member holds whole samples, so each can be read on its own
    uint64_t bytes = 0;
    for (Chunk& chunk : chunks) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive.zip, chunk.index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
            throw CaptureError(path + ": corrupt archive directory: " + zip_strerror(archive.zip));
        chunk.firstSample = int64_t(bytes / uint64_t(unit));
        chunk.bytes = stat.size;
        wholeSamples = wholeSamples && stat.size % uint64_t(unit) == 0;
        bytes += stat.size;
    }
    if (bytes % uint64_t(unit) != 0)
        throw CaptureError(path + ": truncated sample data (the last sample is incomplete)");
    const int64_t samples = int64_t(bytes / uint64_t(unit));
    if (samples == 0) throw CaptureError(path + ": the capture holds no samples");

    // Runs go into the capture, or, when the caller decodes while reading, to the caller.
    auto emit = [&](int64_t position, const Levels& levels) {
        if (options.run) {
            options.run(position, levels);
        } else {
            capture.Append(position, levels);
        }
    };
    if (options.counted) options.counted(capture, samples);
    const size_t threads =
        std::min<size_t>({chunks.size(), std::max(1u, std::thread::hardware_concurrency()), kMaxReadThreads});
    if (wholeSamples && threads > 1) {
        ScanInParallel(path, chunks, unit, keep, options, threads, emit);
    } else {
        std::deque<Run> runs;
        RunScanner scanner(runs, unit, keep, 0);
        const std::unique_ptr<uint8_t[]> buffer(new uint8_t[kReadBlock]);
        for (const Chunk& chunk : chunks) {
            ScanMember(archive.zip, path, chunk, scanner, buffer.get(), options, [&] {
                for (const Run& run : runs) emit(run.position, run.levels);
                runs.clear();
            });
        }
    }
    capture.SetSampleCount(samples);
    capture.ShrinkToFit();
    return capture;
}

// ---- Writing ---------------------------------------------------------------------------------------

namespace {

// One logic-1-<n> member: samples [first, end) produced from the runs while libzip reads them.
struct ChunkSource {
    const Capture* capture;
    int unit;
    int64_t first;
    int64_t end;
    uint64_t offset = 0;  // bytes handed out since open
    size_t run = 0;
    zip_error_t error{};

    uint64_t Bytes() const { return uint64_t(end - first) * uint64_t(unit); }

    void Fill(uint8_t* out, uint64_t length) {
        while (length > 0) {
            const int64_t sample = first + int64_t(offset / uint64_t(unit));
            const size_t phase = size_t(offset % uint64_t(unit));
            while (run + 1 < capture->RunCount() && capture->RunStart(run + 1) <= sample) ++run;
            const int64_t runEnd =
                run + 1 < capture->RunCount() ? std::min(capture->RunStart(run + 1), end) : end;
            const uint64_t available = uint64_t(runEnd - sample) * uint64_t(unit) - phase;
            const uint64_t n = std::min(length, available);
            const Levels levels = capture->RunLevels(run);
            if (unit == 1) {
                std::memset(out, levels.bytes[0], size_t(n));
            } else {
                for (uint64_t k = 0; k < n; ++k) out[k] = levels.bytes[(phase + size_t(k)) % size_t(unit)];
            }
            out += n;
            length -= n;
            offset += n;
        }
    }

    static zip_int64_t Callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
        auto* self = static_cast<ChunkSource*>(state);
        switch (command) {
            case ZIP_SOURCE_OPEN:
                self->offset = 0;
                self->run = self->capture->RunAt(self->first);
                return 0;
            case ZIP_SOURCE_READ: {
                const uint64_t n = std::min<uint64_t>(length, self->Bytes() - self->offset);
                self->Fill(static_cast<uint8_t*>(data), n);
                return zip_int64_t(n);
            }
            case ZIP_SOURCE_CLOSE:
                return 0;
            case ZIP_SOURCE_STAT: {
                auto* stat = static_cast<zip_stat_t*>(data);
                zip_stat_init(stat);
                stat->size = self->Bytes();
                stat->valid |= ZIP_STAT_SIZE;
                return sizeof(zip_stat_t);
            }
            case ZIP_SOURCE_ERROR:
                return zip_error_to_data(&self->error, data, length);
            case ZIP_SOURCE_FREE:
                zip_error_fini(&self->error);
                delete self;
                return 0;
            case ZIP_SOURCE_SUPPORTS:
                return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                      ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
            default:
                zip_error_set(&self->error, ZIP_ER_OPNOTSUPP, 0);
                return -1;
        }
    }
};

// Members get a fixed time stamp, so the same capture always gives the same file.
constexpr time_t kMemberTime = 1704067200;  // 2024-01-01

}  // namespace

void WriteSigrok(const std::string& path, const Capture& capture, const SigrokWriteOptions& options) {
    const int channels = std::max(1, capture.ChannelCount());
    const int unit = (channels + 7) / 8;
    if (capture.SampleCount() <= 0) throw CaptureError(path + ": nothing to write (the capture is empty)");
    if (options.chunkBytes < unit) throw CaptureError("chunk size below one sample");

    std::string metadata = "[global]\nsigrok version=0.5.2\n\n[device 1]\ncapturefile=logic-1\n";
    metadata += "total probes=" + std::to_string(channels) + "\n";
    metadata += "samplerate=" + FormatFrequency(capture.SampleRate()) + "\n";
    metadata += "total analog=0\n";
    for (int channel = 0; channel < channels; ++channel) {
        const std::string& name = capture.ChannelName(channel);
        metadata += "probe" + std::to_string(channel + 1) + "=" +
                    (name.empty() ? "D" + std::to_string(channel) : name) + "\n";
    }
    metadata += "unitsize=" + std::to_string(unit) + "\n";
    static const char kVersion[] = "2";

    int openError = 0;
    ZipArchive archive{zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &openError)};
    if (!archive.zip) throw CaptureError(path + ": cannot create (" + ZipOpenError(openError) + ")");
    auto fail = [&](const std::string& what) {
        throw CaptureError(path + ": " + what + ": " + zip_strerror(archive.zip));
    };
    auto add = [&](const std::string& name, zip_source_t* source, bool compress) {
        if (!source) fail("cannot add " + name);
        const zip_int64_t index = zip_file_add(archive.zip, name.c_str(), source, ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            fail("cannot add " + name);
        }
        if (zip_set_file_compression(
                archive.zip, zip_uint64_t(index), compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                compress ? zip_uint32_t(std::clamp(options.compressionLevel, 1, 9)) : 0) != 0)
            fail("cannot set the compression of " + name);
        zip_file_set_mtime(archive.zip, zip_uint64_t(index), kMemberTime, 0);
    };
    add("version", zip_source_buffer(archive.zip, kVersion, 1, 0), false);
    add("metadata", zip_source_buffer(archive.zip, metadata.data(), metadata.size(), 0), true);

    const int64_t perChunk = std::max<int64_t>(1, options.chunkBytes / unit);
    int64_t number = 1;
    for (int64_t first = 0; first < capture.SampleCount(); first += perChunk, ++number) {
        auto* state = new ChunkSource{
            &capture, unit, first, std::min(capture.SampleCount(), first + perChunk), 0, 0, {}};
        zip_error_init(&state->error);
        zip_source_t* source = zip_source_function(archive.zip, &ChunkSource::Callback, state);
        if (!source) {
            zip_error_fini(&state->error);
            delete state;
        }
        add("logic-1-" + std::to_string(number), source, true);
    }
    if (zip_close(archive.zip) != 0) fail("cannot write");
    archive.zip = nullptr;
}

}  // namespace hdmi::host
