// Any file hdmi-ddc may be pointed at that is (or claims to be) a sigrok session: a zip archive
// with "version", "metadata" and logic chunks.
//
// An input that starts with "PK" is the archive itself, so that damaged archives are tried too.
// Any other input describes the members of an archive that this target packs with libzip, so
// that the fuzzer reaches the metadata parser and the sample scanner instead of spending its time
// on checksums: per member, a name byte (an index into kNames, or 0xFF and a length-prefixed name
// of its own), a 16-bit length and the content.
#include <zip.h>

#include <cstring>
#include <vector>

#include "CaptureFile.h"
#include "FuzzFiles.h"

using namespace hdmi;

namespace {

constexpr const char* kNames[] = {"version",   "metadata", "logic-1-1",    "logic-1-2",
                                  "logic-1-3", "logic-1",  "analog-1-1-1", "logic-2-1"};

bool PackArchive(fuzz::Input& in, const std::string& path) {
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    FUZZ_CHECK(zip != nullptr);
    // Member contents must outlive zip_close, which is when libzip reads them.
    std::vector<std::vector<uint8_t>> contents;
    contents.reserve(16);
    for (int member = 0; member < 16 && in.Remaining() > 0; ++member) {
        const uint8_t pick = in.Byte();
        std::string name;
        if (pick == 0xFF) {
            const uint8_t length = in.Byte() % 40;
            for (uint8_t i = 0; i < length; ++i) name += static_cast<char>(in.Byte());
        } else {
            name = kNames[pick % std::size(kNames)];
        }
        const size_t length = in.U16();
        std::vector<uint8_t>& content = contents.emplace_back();
        for (size_t i = 0; i < length && in.Remaining() > 0; ++i) content.push_back(in.Byte());
        zip_source_t* source = zip_source_buffer(zip, content.data(), content.size(), 0);
        FUZZ_CHECK(source != nullptr);
        const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_RAW);
        if (index < 0) {
            zip_source_free(source);  // an empty or repeated name: libzip refuses it; go on
            continue;
        }
        zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    if (zip_close(zip) != 0) {
        zip_discard(zip);
        return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path;
    if (size >= 2 && std::memcmp(data, "PK", 2) == 0) {
        path = fuzz::WriteInput(data, size, ".sr");
    } else {
        path = fuzz::InputPath(".sr");
        fuzz::Input in(data, size);
        if (!PackArchive(in, path)) return 0;
    }
    fuzz::ReadAndCheck(path);

    // Read as a stream (as hdmi-ddc decodes sessions): the same runs, or the same refusal.
    host::Capture whole;
    bool wholeRead = true;
    try {
        whole = host::ReadCapture(path);
    } catch (const host::CaptureError&) {
        wholeRead = false;
    }
    host::Capture streamed;
    host::ReadOptions options;
    options.counted = [&](const host::Capture& header, int64_t samples) {
        streamed = header;
        streamed.SetSampleCount(samples);
    };
    options.run = [&](int64_t position, const host::Levels& levels) {
        streamed.Append(position, levels);  // merges repeated levels, as the stream does
    };
    bool streamRead = true;
    try {
        host::ReadCapture(path, options);
    } catch (const host::CaptureError&) {
        streamRead = false;
    }
    FUZZ_CHECK(wholeRead == streamRead);
    if (wholeRead) {
        FUZZ_CHECK(whole.RunCount() == streamed.RunCount());
        FUZZ_CHECK(whole.SampleCount() == streamed.SampleCount());
        for (size_t run = 0; run < whole.RunCount(); ++run) {
            FUZZ_CHECK(whole.RunStart(run) == streamed.RunStart(run));
            FUZZ_CHECK(whole.RunLevels(run) == streamed.RunLevels(run));
        }
    }
    return 0;
}
