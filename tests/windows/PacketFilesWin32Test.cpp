// The module's life on Windows as a host sees it: the packet files appear in the folder the host
// named, through the wide file calls for a UTF-8 folder name and the narrow ones for a name in the
// system code page, stay while the DLL is loaded, and are deleted when it is unloaded.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "BusSynth.h"
#include "HostSystem.h"
#include "PluginLoader.h"

namespace hdmi {
namespace {

namespace fs = std::filesystem;

host::Capture* gCapture = nullptr;
int64_t CaptureEdge(int64_t position, uint8_t* levels) {
    return gCapture->NextEdge(position, levels);
}
uint8_t Proceed() {
    return 0;
}

int TmpFilesIn(const fs::path& folder) {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::wstring name = entry.path().filename().wstring();
        n += entry.is_regular_file() && name.rfind(L"Vk", 0) == 0 && name.ends_with(L".tmp");
    }
    return n;
}

// Loads a private copy of the DLL (so that this test unloads its own module), decodes a short
// capture with `folderBytes` as the temporary folder, and checks the files in `folder` (the same
// folder as the file system names it) while loaded and after unload.
void DecodeAndUnload(const fs::path& base, const std::string& folderBytes, const fs::path& folder) {
    const fs::path copy = base / "HDMI_EDID_copy.dll";
    fs::copy_file(HDMI_PLUGIN_DEFAULT_PATH, copy, fs::copy_options::overwrite_existing);
    std::string error;
    void* module = host::system::OpenLibrary(copy.string(), error);
    ASSERT_NE(module, nullptr) << error;
    auto setMsgInfo =
        reinterpret_cast<abi::SetMsgInfoFn>(host::system::LibrarySymbol(module, "SetMsgInfo", error));
    auto defaults = reinterpret_cast<abi::DefaultSettingsFn>(
        host::system::LibrarySymbol(module, "DefaultSettings", error));
    auto analysis = reinterpret_cast<abi::AnalysisFn>(host::system::LibrarySymbol(module, "Analysis", error));
    ASSERT_TRUE(setMsgInfo && defaults && analysis) << error;

    setMsgInfo(0, const_cast<char*>(folderBytes.c_str()));
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
    EXPECT_EQ(TmpFilesIn(folder), 2) << "the word file and the position file";
    EXPECT_EQ(context->PacketWordsView[entries - 1], 10u) << "the mapped view is readable while loaded";
    ASSERT_GT(analysis(context.get()), 0u);
    EXPECT_EQ(TmpFilesIn(folder), 2) << "a second decode reuses both files";

    host::system::CloseLibrary(module);
    gCapture = nullptr;
    EXPECT_EQ(TmpFilesIn(folder), 0) << "unloading the DLL deletes the packet files";
}

class PacketFilesWin32 : public ::testing::Test {
  protected:
    void SetUp() override { base_ = fs::path(host::system::MakePrivateTempFolder()); }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(base_, ignored);
    }
    fs::path base_;
};

TEST_F(PacketFilesWin32, AsciiFolder) {
    const fs::path folder = base_ / "packets";
    fs::create_directory(folder);
    DecodeAndUnload(base_, folder.string() + "\\", folder);
}

TEST_F(PacketFilesWin32, Utf8FolderNameTakesTheWideCalls) {
    // "Messung-\u00e4\u6e2c" as UTF-8: valid, so the plug-in converts it and uses the wide calls;
    // the narrow calls would have made a folder of different characters.
    const fs::path folder = base_ / fs::path(L"Messung-\u00e4\u6e2c");
    fs::create_directory(folder);
    const std::string utf8 = base_.string() + "\\Messung-\xC3\xA4\xE6\xB8\xAC\\";
    DecodeAndUnload(base_, utf8, folder);
}

TEST_F(PacketFilesWin32, CodePageFolderNameTakesTheNarrowCalls) {
    // A lone 0xE4 is not UTF-8: the name goes unchanged to the narrow calls, which read it in the
    // system code page.
    wchar_t wide[8] = {};
    const char narrow[] = "\xE4";
    ASSERT_GT(::MultiByteToWideChar(CP_ACP, 0, narrow, -1, wide, 8), 0);
    const fs::path folder = base_ / fs::path(std::wstring(L"Messung-") + wide);
    fs::create_directory(folder);
    DecodeAndUnload(base_, base_.string() + "\\Messung-\xE4\\", folder);
}

}  // namespace
}  // namespace hdmi
