// Packet streams: chunk boundaries, spill, finish and map, reuse, host delegation, file names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "plugin/HostInfoStore.h"
#include "plugin/PacketFile.h"

namespace hdmi {
namespace {

namespace fs = std::filesystem;

class PacketFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/hdmi_pf_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = std::string(pattern) + "/";
        StoreHostInfo(0, folder_.c_str());
    }
    void TearDown() override {
        platform::Faults() = platform::FileFaults{};
        fs::remove_all(folder_);
        StoreHostInfo(0, "");
    }
    static int64_t FileEntries(const char* name, size_t entrySize) {
        struct stat info;
        if (stat(name, &info) != 0) return -1;
        return static_cast<int64_t>(info.st_size) / static_cast<int64_t>(entrySize);
    }
    std::string folder_;
};

TEST_F(PacketFileTest, ChunksSpillOnlyWhenAppendsComeBackToAFullChunk) {
    CPacketFile<uint32_t> file(kWordStreamId);
    ASSERT_TRUE(file.Reset());
    EXPECT_EQ(std::string(file.FileName()).rfind(folder_ + "Vk", 0), 0u);
    for (int64_t i = 0; i < kChunkEntries; ++i) file.Append(static_cast<uint32_t>(i));
    // Chunk 0 full, chunk 1 current and empty: nothing reached the file yet.
    EXPECT_EQ(file.CurrentChunk(), 1);
    EXPECT_EQ(file.ChunkFill(1), 0);
    EXPECT_EQ(file.Flushed(), 0);
    std::fflush(nullptr);
    EXPECT_EQ(FileEntries(file.FileName(), 4), 0);
    for (int64_t i = kChunkEntries; i < 2 * kChunkEntries - 1; ++i) file.Append(static_cast<uint32_t>(i));
    EXPECT_EQ(file.Flushed(), 0);
    // The 2097152nd append fills chunk 1 and writes chunk 0 out.
    EXPECT_EQ(file.Append(7), 2 * kChunkEntries - 1);
    EXPECT_EQ(file.Flushed(), kChunkEntries);
    EXPECT_EQ(file.CurrentChunk(), 0);
    // The newest entries are still readable before Finish.
    EXPECT_EQ(file.Read(file.Count() - 1), 7u);
    EXPECT_EQ(file.Read(file.Count() - 2), static_cast<uint32_t>(2 * kChunkEntries - 2));
    file.Close();
    EXPECT_FALSE(platform::FileExists(file.FileName()));
}

TEST_F(PacketFileTest, FinishWritesOlderChunkWholeThenTheCurrentOnesFill) {
    CPacketFile<int64_t> file(kPositionStreamId);
    ASSERT_TRUE(file.Reset());
    const int64_t total = kChunkEntries + 1;
    for (int64_t i = 0; i < total; ++i) file.Append(i * 3);
    const std::string name = file.FileName();
    file.Finish();
    ASSERT_NE(file.View(), nullptr);
    EXPECT_EQ(FileEntries(name.c_str(), 8), total);
    EXPECT_EQ(file.Read(0), 0);
    EXPECT_EQ(file.Read(kChunkEntries), kChunkEntries * 3);
    // Reading at or past Count yields entry 0 of the mapped file.
    file.MutableView()[0] = 99;
    EXPECT_EQ(file.Read(total), 99);
    file.Close();
    EXPECT_FALSE(platform::FileExists(name.c_str()));
}

TEST_F(PacketFileTest, ResetReusesAndTruncatesTheSameFile) {
    CPacketFile<uint32_t> file(kWordStreamId);
    ASSERT_TRUE(file.Reset());
    for (uint32_t i = 0; i < 100; ++i) file.Append(i);
    file.Finish();
    const std::string name = file.FileName();
    ASSERT_TRUE(file.Reset());
    EXPECT_EQ(file.View(), nullptr);
    EXPECT_EQ(std::string(file.FileName()), name);
    EXPECT_EQ(file.Count(), 0);
    for (uint32_t i = 0; i < 10; ++i) file.Append(1000 + i);
    file.Finish();
    EXPECT_EQ(FileEntries(name.c_str(), 4), 10);
    EXPECT_EQ(file.Read(9), 1009u);
    file.Close();
}

TEST_F(PacketFileTest, ResetOfAnUnfinishedFileRewindsIt) {
    CPacketFile<uint32_t> file(kWordStreamId);
    ASSERT_TRUE(file.Reset());
    for (uint32_t i = 0; i < 5; ++i) file.Append(i);
    ASSERT_TRUE(file.Reset());  // never finished: rewound, not reopened
    file.Append(42);
    file.Finish();
    EXPECT_EQ(file.Count(), 1);
    EXPECT_EQ(file.Read(0), 42u);
    file.Close();
}

TEST_F(PacketFileTest, TwoStreamsMadeInOneSecondGetNamesOneSecondApart) {
    CPacketFile<uint32_t> a(kWordStreamId);
    CPacketFile<int64_t> b(kPositionStreamId);
    ASSERT_TRUE(a.Reset());
    ASSERT_TRUE(b.Reset());
    const std::string prefix = folder_ + "Vk";
    const long long first = std::atoll(a.FileName() + prefix.size());
    const long long second = std::atoll(b.FileName() + prefix.size());
    EXPECT_EQ(second, first + 1);
    a.Close();
    b.Close();
}

TEST_F(PacketFileTest, GivesUpWhenNoFileCanBeCreated) {
    platform::Faults().failOpenForWriting = true;
    CPacketFile<uint32_t> file(kWordStreamId);
    const int64_t before = platform::MonotonicMilliseconds();
    EXPECT_FALSE(file.Reset());
    EXPECT_LT(platform::MonotonicMilliseconds() - before, 5000);
    EXPECT_TRUE(file.Failed());
    file.Append(1);  // no file: the entry stays in memory, nothing is written anywhere
    file.Finish();
    EXPECT_EQ(file.View(), nullptr);
}

TEST_F(PacketFileTest, AFullDiskMarksTheStreamFailedInsteadOfLosingEntriesSilently) {
    CPacketFile<uint32_t> file(kWordStreamId);
    ASSERT_TRUE(file.Reset());
    platform::Faults().writeBudgetBytes = 16;
    for (int64_t i = 0; i < 2 * kChunkEntries; ++i) file.Append(1);
    EXPECT_TRUE(file.Failed());
    file.Finish();
    EXPECT_EQ(file.View(), nullptr);
    EXPECT_EQ(file.Read(5), 0u);
    file.Close();
}

struct RecordingStore {
    std::vector<uint32_t> words;
    std::vector<int64_t> positions;
    std::vector<std::string> calls;
    PacketStoreHost host{};

    RecordingStore() {
        host.Handle = this;
        host.Close = [](void* h, uint32_t id) { Self(h)->calls.push_back("close " + std::to_string(id)); };
        host.Reset = [](void* h, uint32_t id) { Self(h)->calls.push_back("reset " + std::to_string(id)); };
        host.LastIndex = [](void* h, uint32_t id) {
            auto* s = Self(h);
            return static_cast<int32_t>(id == kWordStreamId ? s->words.size() : s->positions.size()) - 1;
        };
        host.Append = [](void* h, uint32_t id, const void* value) {
            auto* s = Self(h);
            if (id == kWordStreamId)
                s->words.push_back(*static_cast<const uint32_t*>(value));
            else
                s->positions.push_back(*static_cast<const int64_t*>(value));
        };
    }
    static RecordingStore* Self(void* h) { return static_cast<RecordingStore*>(h); }
};

TEST_F(PacketFileTest, HostBackedStreamDelegatesEverythingAndKeepsNothing) {
    RecordingStore store;
    CPacketFile<int64_t> file(kPositionStreamId);
    file.AttachHost(&store.host);
    ASSERT_TRUE(file.Reset());
    EXPECT_EQ(file.Append(5), 0);
    EXPECT_EQ(file.Append(6), 1);
    file.Close();
    EXPECT_EQ(store.positions, (std::vector<int64_t>{5, 6}));
    EXPECT_EQ(store.calls, (std::vector<std::string>{"reset 0", "close 0"}));
    EXPECT_EQ(file.Count(), 0);
    EXPECT_EQ(file.Read(0), 0);
    EXPECT_EQ(file.FileName()[0], '\0');
}

TEST(Utf8NameTest, DecidesBetweenWideAndNarrowNames) {
    EXPECT_TRUE(platform::IsValidUtf8(""));
    EXPECT_TRUE(platform::IsValidUtf8("/tmp/caf\xC3\xA9/"));
    EXPECT_TRUE(platform::IsValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(platform::IsValidUtf8("/tmp/\xC0/"));         // lone lead byte
    EXPECT_FALSE(platform::IsValidUtf8("\xE0\x80\x80"));       // overlong 3-byte
    EXPECT_FALSE(platform::IsValidUtf8("\xED\xA0\x80"));       // surrogate
    EXPECT_FALSE(platform::IsValidUtf8("\xF4\x90\x80\x80"));   // above U+10FFFF
    EXPECT_FALSE(platform::IsValidUtf8("\xC3"));               // cut short
    EXPECT_EQ(platform::ChooseNameForm("/tmp/\xC0"), platform::NameForm::Narrow);
    EXPECT_EQ(platform::ChooseNameForm("/tmp/\xC3\xA9"), platform::NameForm::Wide);
}

TEST_F(PacketFileTest, NonAsciiFolderNamesWork) {
    const std::string utf8 = folder_ + "caf\xC3\xA9/";
    const std::string latin1 = folder_ + "caf\xE9/";
    for (const std::string& sub : {utf8, latin1}) {
        ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
        StoreHostInfo(0, sub.c_str());
        CPacketFile<uint32_t> file(kWordStreamId);
        ASSERT_TRUE(file.Reset());
        file.Append(3);
        file.Finish();
        EXPECT_EQ(std::string(file.FileName()).rfind(sub, 0), 0u);
        EXPECT_EQ(file.Read(0), 3u);
        file.Close();
    }
}

}  // namespace
}  // namespace hdmi
