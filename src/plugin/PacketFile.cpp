#include "plugin/PacketFile.h"

#include <cinttypes>
#include <cstring>

#include "platform/Clock.h"
#include "plugin/HostInfoStore.h"

namespace hdmi {

template <typename Entry>
CPacketFile<Entry>::CPacketFile(uint32_t streamId) : streamId_(streamId) {}

template <typename Entry>
CPacketFile<Entry>::~CPacketFile() {
    // The decoder decides whether to Close (host-backed streams are never closed here); what is
    // left must still not leak.
    FreeChunks();
    platform::UnmapFile(mapping_);
    if (stream_ != nullptr) std::fclose(stream_);
}

template <typename Entry>
void CPacketFile<Entry>::FreeChunks() {
    block_.reset();
    chunks_[0] = chunks_[1] = nullptr;
}

template <typename Entry>
bool CPacketFile<Entry>::MakeName() {
    // A second stream made within the same second waits for the clock to move on. When the folder
    // is unusable the name never frees up or never opens; give up after a bounded time.
    const int64_t deadline = platform::MonotonicMilliseconds() + kFileCreateTimeoutMs;
    const char* folder = HostInfo().temporaryFolder;
    char name[kFileNameSize];
    for (;;) {
        const int length =
            std::snprintf(name, sizeof name, "%sVk%" PRId64 ".tmp", folder, platform::CalendarSeconds());
        if (length < 0 || length >= static_cast<int>(sizeof name)) return false;  // folder too long
        if (!platform::FileExists(name)) {
            std::memcpy(fileName_, name, sizeof name);
            return true;
        }
        if (platform::MonotonicMilliseconds() >= deadline) return false;
        platform::SleepMilliseconds(20);
    }
}

template <typename Entry>
bool CPacketFile<Entry>::Reset() {
    if (host_ != nullptr) {
        host_->Reset(host_->Handle, streamId_);
        return true;
    }
    flushed_ = count_ = 0;
    chunkFill_[0] = chunkFill_[1] = 0;
    currentChunk_ = 0;
    failed_ = false;
    if (stream_ != nullptr) {
        // A file that was never finished: rewind; the old content is overwritten by new entries.
        platform::SeekTo(stream_, 0, SEEK_SET);
        const uint8_t zero = 0;
        platform::WriteBlock(&zero, 1, 1, stream_);
        platform::SeekTo(stream_, 0, SEEK_SET);
    }
    platform::UnmapFile(mapping_);
    if (fileName_[0] != '\0') {
        if (stream_ == nullptr) stream_ = platform::OpenForWriting(fileName_);
        if (stream_ != nullptr) return true;
        fileName_[0] = '\0';  // the old file is gone or locked: make a fresh one
    }
    const int64_t deadline = platform::MonotonicMilliseconds() + kFileCreateTimeoutMs;
    for (;;) {
        if (!MakeName()) break;
        stream_ = platform::OpenForWriting(fileName_);
        if (stream_ != nullptr) return true;
        fileName_[0] = '\0';
        if (platform::MonotonicMilliseconds() >= deadline) break;
        platform::SleepMilliseconds(20);
    }
    failed_ = true;
    return false;
}

template <typename Entry>
void CPacketFile<Entry>::WriteEntries(const Entry* data, int64_t count) {
    if (stream_ == nullptr) {
        failed_ = true;  // never write through a missing file
        return;
    }
    const size_t written = platform::WriteBlock(data, sizeof(Entry), static_cast<size_t>(count), stream_);
    if (written != static_cast<size_t>(count)) failed_ = true;
}

template <typename Entry>
int64_t CPacketFile<Entry>::Append(Entry value) {
    if (host_ != nullptr) {
        host_->Append(host_->Handle, streamId_, &value);
        return static_cast<int64_t>(host_->LastIndex(host_->Handle, streamId_));
    }
    if (!block_) {
        // Left uninitialised: pages are touched only as entries arrive.
        block_ = std::make_unique_for_overwrite<Entry[]>(2 * kChunkEntries);
        chunks_[0] = block_.get();
        chunks_[1] = block_.get() + kChunkEntries;
    }
    chunks_[currentChunk_][chunkFill_[currentChunk_]++] = value;
    if (chunkFill_[currentChunk_] == kChunkEntries) {
        currentChunk_ ^= 1;
        if (chunkFill_[currentChunk_] == kChunkEntries) {
            WriteEntries(chunks_[currentChunk_], kChunkEntries);
            flushed_ += kChunkEntries;
            chunkFill_[currentChunk_] = 0;
        }
    }
    return ++count_ - 1;
}

template <typename Entry>
Entry CPacketFile<Entry>::Read(int64_t index) const {
    const Entry* view = View();
    if (index < 0 || index >= count_) return view != nullptr ? view[0] : Entry{};
    if (view != nullptr) return view[index];
    if (!block_) return Entry{};
    int64_t back = count_ - index;
    int chunk = currentChunk_;
    if (back > chunkFill_[chunk]) {
        back -= chunkFill_[chunk];
        chunk ^= 1;
        if (back > chunkFill_[chunk]) return Entry{};  // already left memory for the file
    }
    return chunks_[chunk][chunkFill_[chunk] - back];
}

template <typename Entry>
void CPacketFile<Entry>::Finish() {
    if (mapping_.view != nullptr) return;
    if (stream_ == nullptr) return;
    const int older = currentChunk_ ^ 1;
    if (block_) {
        if (chunkFill_[older] != 0) WriteEntries(chunks_[older], kChunkEntries);
        WriteEntries(chunks_[currentChunk_], chunkFill_[currentChunk_]);
    }
    platform::SeekTo(stream_, 0, SEEK_END);
    const int64_t length = platform::Tell(stream_);
    if (std::fclose(stream_) != 0) failed_ = true;
    stream_ = nullptr;
    if (length < count_ * static_cast<int64_t>(sizeof(Entry))) failed_ = true;
    if (!failed_ && length > 0 && !platform::MapWholeFile(fileName_, length, mapping_)) failed_ = true;
    FreeChunks();
}

template <typename Entry>
void CPacketFile<Entry>::Close() {
    if (host_ != nullptr) {
        host_->Close(host_->Handle, streamId_);
        return;
    }
    FreeChunks();
    platform::UnmapFile(mapping_);
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (fileName_[0] != '\0') platform::DeleteFileNamed(fileName_);
    fileName_[0] = '\0';
}

template class CPacketFile<uint32_t>;
template class CPacketFile<int64_t>;

}  // namespace hdmi
