// Faults injected under the plug-in while a host drives it through its exports: allocations that
// fail, a packet-file folder that is gone, refuses files or fills up part-way, and a report
// section that cannot be made or grown. Each time the call must return cleanly, every packet it
// reports must be one the undisturbed decode made, the report must stay well formed, the plug-in
// must recover on the next call, and nothing may be left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../unit/ReportCapture.h"
#include "AllocationSeam.h"
#include "BusSynth.h"
#include "platform/Files.h"
#include "platform/SharedSection.h"
#include "plugin/Exports.h"

namespace hdmi {
namespace {

namespace fs = std::filesystem;

// ---- A host in this process ---------------------------------------------------------------------

const host::Capture* gCapture = nullptr;
std::vector<std::string>* gLines = nullptr;

int64_t Edge(int64_t position, uint8_t* levels) {
    testing::HostCode host;
    return gCapture->NextEdge(position, levels);
}
uint8_t Proceed() {
    return 0;
}
uint32_t Line(const char* line, uint32_t length) {
    testing::HostCode host;  // the host's own memory is not what is being tested
    if (line != nullptr && gLines != nullptr) gLines->emplace_back(line, length);
    return length;
}

struct Outcome {
    uint32_t entries = 0;
    std::vector<uint32_t> words;
    std::vector<int64_t> positions;
    std::vector<std::string> lines;  // through the sink
};

class FaultTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "faults-XXXXXX").string();
        folder_ = std::string(mkdtemp(pattern.data())) + "/";
        SetMsgInfo(0, folder_.data());
    }
    static void TearDownTestSuite() { fs::remove_all(folder_); }
    void TearDown() override {
        platform::Faults() = {};
        platform::SectionFaultsForTests() = {};
        testing::DisarmAllocationFault();
    }

    // One hot-plug's worth of traffic: EDID, HDCP and SCDC.
    static host::Capture Traffic() {
        host::BusSynth bus(2'000'000, 100'000);
        std::vector<uint8_t> edid(128);
        const uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x10, 0xAC};
        std::copy(std::begin(header), std::end(header), edid.begin());
        edid[18] = 1;
        edid[19] = 3;
        host::ddc::EdidRead(bus, edid);
        bus.idle(100'000);
        const uint8_t bksv[] = {0x51, 0x1E, 0xF2, 0x1A, 0xCD};
        host::ddc::HdcpRead(bus, 0, 0x00, bksv);
        bus.idle(100'000);
        const uint8_t version[] = {0x01};
        host::ddc::RegisterWrite(bus, 0xA8, 0x02, version);
        host::ddc::RegisterRead(bus, 0xA8, 0x10, std::array<uint8_t, 2>{0x01, 0x00});
        bus.idle(100'000);
        return bus.Take();
    }

    std::unique_ptr<HostDecodeContext> Context(const host::Capture& capture, bool section) {
        auto context = std::make_unique<HostDecodeContext>();
        std::memset(context.get(), 0, sizeof *context);
        context->HostChannelCount = 2;
        context->AbortFlag = &abort_;
        DefaultSettings(context.get());
        context->ChannelMap[0] = 0;
        context->ChannelMap[1] = 1;
        context->NextEdge = Edge;
        context->BeginDecode = Proceed;
        context->SampleRate = capture.SampleRate();
        context->MarkerPositions[0] = capture.SampleCount();
        if (section) {
            std::snprintf(context->ReportName, sizeof context->ReportName, "hdmi_faults_%d", getpid());
        } else {
            context->ReportLineSink = Line;
            context->ReportName[0] = 'x';  // a report, through the sink
        }
        return context;
    }

    // Analysis with the n-th allocation inside the plug-in failing (0: none fails, -1: not armed);
    // `allocations` receives how many there were.
    Outcome Analyse(HostDecodeContext& context, const host::Capture& capture, int64_t failAt = -1,
                    int64_t* allocations = nullptr) {
        Outcome outcome;
        outcome.lines.reserve(4096);
        gCapture = &capture;
        gLines = &outcome.lines;
        if (failAt >= 0) testing::ArmAllocationFault(failAt);
        outcome.entries = Analysis(&context);
        const int64_t made = failAt >= 0 ? testing::DisarmAllocationFault() : 0;
        if (allocations) *allocations = made;
        gLines = nullptr;
        if (outcome.entries > 0) {
            outcome.words.assign(context.PacketWordsView, context.PacketWordsView + outcome.entries);
            outcome.positions.assign(context.PacketPositionsView,
                                     context.PacketPositionsView + outcome.entries);
        }
        return outcome;
    }

    // What a disturbed call may show: nothing, or the undisturbed packets; report lines that are
    // the undisturbed ones as far as they go.
    static void ExpectSubsetOf(const Outcome& got, const Outcome& whole) {
        if (got.entries != 0) {
            EXPECT_EQ(got.words, whole.words);
            EXPECT_EQ(got.positions, whole.positions);
        }
        ASSERT_LE(got.lines.size(), whole.lines.size());
        for (size_t i = 0; i < got.lines.size(); ++i) EXPECT_EQ(got.lines[i], whole.lines[i]) << i;
    }

    // The folder holds the plug-in's two packet files at most.
    static void ExpectOnlyPacketFiles() {
        int files = 0;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            EXPECT_TRUE(entry.path().filename().string().starts_with("Vk")) << entry.path();
            ++files;
        }
        EXPECT_LE(files, 2);
    }

    static inline std::string folder_;
    volatile uint32_t abort_ = 0;
};

TEST_F(FaultTest, EveryAllocationOfAnAnalysisMayFail) {
    const host::Capture capture = Traffic();
    auto context = Context(capture, false);
    const Outcome whole = Analyse(*context, capture);
    ASSERT_GT(whole.entries, 0u);
    ASSERT_GT(whole.lines.size(), 10u);

    int64_t allocations = 0;
    Analyse(*context, capture, 0, &allocations);
    ASSERT_GT(allocations, 0);
    RecordProperty("allocations", std::to_string(allocations));
    for (int64_t n = 1; n <= allocations; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(allocations));
        const Outcome disturbed = Analyse(*context, capture, n);
        ExpectSubsetOf(disturbed, whole);
        // The next call, with memory to spare again, is whole.
        const Outcome again = Analyse(*context, capture);
        ASSERT_EQ(again.words, whole.words);
        ASSERT_EQ(again.lines, whole.lines);
    }
    ExpectOnlyPacketFiles();
}

TEST_F(FaultTest, APacketFolderThatIsGoneOrRefusesFilesFailsTheCallAndIsRecoveredFrom) {
    const host::Capture capture = Traffic();
    auto context = Context(capture, false);
    const Outcome whole = Analyse(*context, capture);
    ASSERT_GT(whole.entries, 0u);

    // The folder removed under the plug-in (a cleaner emptied /tmp): no view, no crash.
    fs::remove_all(folder_);
    const Outcome gone = Analyse(*context, capture);
    EXPECT_EQ(gone.entries, 0u);
    ExpectSubsetOf(gone, whole);
    fs::create_directory(folder_);
    EXPECT_EQ(Analyse(*context, capture).words, whole.words);

    // Files refused (a folder without write permission).
    fs::remove_all(folder_);
    fs::create_directory(folder_);
    platform::Faults().failOpenForWriting = true;
    EXPECT_EQ(Analyse(*context, capture).entries, 0u);
    platform::Faults() = {};
    EXPECT_EQ(Analyse(*context, capture).words, whole.words);

    // Files made but never mappable.
    platform::Faults().failMapping = true;
    EXPECT_EQ(Analyse(*context, capture).entries, 0u);
    platform::Faults() = {};
    EXPECT_EQ(Analyse(*context, capture).words, whole.words);
    ExpectOnlyPacketFiles();
}

TEST_F(FaultTest, ADiskThatFillsPartWayLosesNoPacketReportedAsWritten) {
    // Enough bytes for the streams to reach their files: they trail the decode by whole chunks.
    host::BusSynth bus(1'000'000, 250'000);
    for (int transfer = 0; transfer < 9000; ++transfer) {
        bus.start().byte(0xA0);
        for (int i = 0; i < 64; ++i) bus.byte(uint8_t(i));
        bus.stop();
    }
    const host::Capture capture = bus.Take();
    auto context = Context(capture, false);
    context->ReportName[0] = '\0';
    context->ReportLineSink = nullptr;
    const Outcome whole = Analyse(*context, capture);
    ASSERT_GT(whole.entries, 3u * 1048576u);

    for (const int64_t budget : {int64_t{0}, int64_t{1} << 20, int64_t{9} << 20}) {
        SCOPED_TRACE("room for " + std::to_string(budget) + " bytes");
        platform::Faults().writeBudgetBytes = budget;
        const Outcome full = Analyse(*context, capture);
        platform::Faults() = {};
        ExpectSubsetOf(full, whole);
        EXPECT_EQ(full.entries, 0u);
        EXPECT_EQ(Analyse(*context, capture).entries, whole.entries);
    }
    ExpectOnlyPacketFiles();
}

TEST_F(FaultTest, AReportSectionThatCannotBeMadeOrGrownLeavesThePacketsWhole) {
    const host::Capture capture = Traffic();
    auto sinkContext = Context(capture, false);
    const Outcome whole = Analyse(*sinkContext, capture);
    auto context = Context(capture, true);
    const std::string shmName = std::string("/") + context->ReportName;

    platform::SectionFaultsForTests().failCreate = true;
    const Outcome noSection = Analyse(*context, capture);
    EXPECT_EQ(noSection.words, whole.words);
    const int fd = shm_open(shmName.c_str(), O_RDONLY, 0);
    EXPECT_LT(fd, 0) << "a section appeared although none could be made";
    if (fd >= 0) close(fd);

    platform::SectionFaultsForTests() = {};
    platform::SectionFaultsForTests().failGrow = true;
    const Outcome small = Analyse(*context, capture);
    EXPECT_EQ(small.words, whole.words);
    platform::SectionFaultsForTests() = {};
    // The section is sized from the packet count up front, so a refused growth costs nothing here
    // (the writer's own tests cut reports that need it): the host finds the whole report.
    const testing::SectionText text = testing::ReadSection(context->ReportName);
    ASSERT_TRUE(text.present);
    EXPECT_TRUE(text.terminated);
    Outcome found;
    found.lines = testing::SplitLines(text.text);
    for (const std::string& line : found.lines) EXPECT_TRUE(line.ends_with("\r\n")) << "a cut line";
    EXPECT_EQ(found.lines, whole.lines);
}

}  // namespace
}  // namespace hdmi
