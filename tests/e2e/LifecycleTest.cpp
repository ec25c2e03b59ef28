// The module's life as a host sees it: temporary packet files appear in the folder the host
// named, stay while the library is loaded (the host reads their views), and are gone at unload.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "BusSynth.h"
#include "PluginLoader.h"

namespace hdmi {
namespace {

namespace fs = std::filesystem;

host::Capture* gCapture = nullptr;
int64_t CaptureEdge(int64_t position, uint8_t* levels) { return gCapture->NextEdge(position, levels); }
uint8_t Proceed() { return 0; }

int FilesIn(const fs::path& folder) {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder)) n += entry.is_regular_file();
    return n;
}

TEST(LifecycleTest, PacketFilesLiveInTheHostsFolderUntilUnload) {
    char pattern[] = "/tmp/hdmi_life_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path folder = pattern;
    // A private copy of the library, so that this test loads and unloads its own module.
    const fs::path copy = folder / "HDMI_EDID.so";
    fs::copy_file(HDMI_PLUGIN_DEFAULT_PATH, copy);
    const fs::path temp = folder / "packets";
    fs::create_directory(temp);

    void* module = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto setMsgInfo = reinterpret_cast<abi::SetMsgInfoFn>(dlsym(module, "SetMsgInfo"));
    auto defaults = reinterpret_cast<abi::DefaultSettingsFn>(dlsym(module, "DefaultSettings"));
    auto analysis = reinterpret_cast<abi::AnalysisFn>(dlsym(module, "Analysis"));
    ASSERT_TRUE(setMsgInfo && defaults && analysis);

    const std::string folderText = temp.string() + "/";
    setMsgInfo(0, const_cast<char*>(folderText.c_str()));

    host::BusSynth bus(1'000'000, 100'000);
    bus.start().byte(0xA0).byte(0x00).stop();
    host::Capture capture = bus.Build();
    gCapture = &capture;
    auto context = std::make_unique<HostDecodeContext>();
    std::memset(context.get(), 0, sizeof *context);
    volatile uint32_t abortFlag = 0;
    context->NextEdge = CaptureEdge;
    context->BeginDecode = Proceed;
    context->AbortFlag = &abortFlag;
    context->MarkerPositions[0] = capture.SampleCount();
    context->SampleRate = capture.SampleRate();
    ASSERT_EQ(defaults(context.get()), 1);
    const uint32_t entries = analysis(context.get());
    ASSERT_GT(entries, 0u);
    EXPECT_EQ(FilesIn(temp), 2) << "the word file and the position file";
    for (const auto& entry : fs::directory_iterator(temp)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.rfind("Vk", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
    }
    EXPECT_EQ(context->PacketWordsView[entries - 1], 10u) << "views readable while loaded";

    // A second decode reuses the same two files.
    ASSERT_GT(analysis(context.get()), 0u);
    EXPECT_EQ(FilesIn(temp), 2);

    ASSERT_EQ(dlclose(module), 0);
    EXPECT_EQ(FilesIn(temp), 0) << "unloading deletes the packet files";
    gCapture = nullptr;
    fs::remove_all(folder);
}

}  // namespace
}  // namespace hdmi
