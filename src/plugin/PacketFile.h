// CPacketFile: one packet stream (u32 words or i64 positions). The newest entries live in two
// in-memory chunks; older chunks spill to a temporary file; Finish writes the rest and maps the
// whole file so that the report layers and the host index it directly. Alternatively every
// operation is delegated to a host object (PacketStoreHost).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/Files.h"
#include "plugin/HostRecords.h"

namespace hdmi {

inline constexpr int64_t kChunkEntries = 1048576;
inline constexpr int kFileNameSize = 260;

template <typename Entry>
class CPacketFile {
  public:
    explicit CPacketFile(uint32_t streamId);
    ~CPacketFile();
    CPacketFile(const CPacketFile&) = delete;
    CPacketFile& operator=(const CPacketFile&) = delete;

    void AttachHost(PacketStoreHost* host) { host_ = host; }
    bool HasHost() const { return host_ != nullptr; }

    // Prepares for a new decode. Returns false when no temporary file could be created (after a
    // bounded wait), in which case the stream keeps nothing and the decode must fail.
    bool Reset();
    // Adds one entry and returns its index.
    int64_t Append(Entry value);
    // Entry `index`; an index at or past Count yields entry 0 of the mapped file (0 when none).
    Entry Read(int64_t index) const;
    // Writes what is still in memory and maps the whole file.
    void Finish();
    // Releases everything and deletes the file.
    void Close();

    int64_t Count() const { return count_; }
    int64_t Flushed() const { return flushed_; }
    const Entry* View() const { return static_cast<const Entry*>(mapping_.view); }
    Entry* MutableView() { return static_cast<Entry*>(mapping_.view); }
    const char* FileName() const { return fileName_; }
    // True once a write to the file failed; entries after that point were lost.
    bool Failed() const { return failed_; }
    int ChunkFill(int chunk) const { return chunkFill_[chunk]; }
    int CurrentChunk() const { return currentChunk_; }

  private:
    bool MakeName();
    void WriteEntries(const Entry* data, int64_t count);
    void FreeChunks();

    std::unique_ptr<Entry[]> block_;
    Entry* chunks_[2] = {nullptr, nullptr};
    int32_t chunkFill_[2] = {0, 0};
    int64_t flushed_ = 0;
    int64_t count_ = 0;
    int32_t currentChunk_ = 0;
    std::FILE* stream_ = nullptr;
    char fileName_[kFileNameSize] = {};
    platform::FileMapping mapping_;
    PacketStoreHost* host_ = nullptr;
    uint32_t streamId_;
    bool failed_ = false;
};

extern template class CPacketFile<uint32_t>;
extern template class CPacketFile<int64_t>;

// Bound on how long the namer and Reset keep trying to create a temporary file.
inline constexpr int kFileCreateTimeoutMs = 2000;

}  // namespace hdmi
