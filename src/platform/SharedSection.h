// A named, page-file-backed shared-memory section that another process opens by name.
// On Linux: a POSIX shared-memory object "/<name>". On Windows: a named file mapping of the
// pagefile, which exists while a handle to it is open.
#pragma once

#include <cstdint>

namespace hdmi::platform {

class SharedSection {
  public:
    SharedSection() = default;
    SharedSection(const SharedSection&) = delete;
    SharedSection& operator=(const SharedSection&) = delete;
    SharedSection(SharedSection&& other) noexcept;
    SharedSection& operator=(SharedSection&& other) noexcept;
    ~SharedSection();

    // Creates the section (a stale one of the same name is replaced) and maps it read-write.
    bool Create(const char* name, uint64_t size);
    // Makes the section larger, keeping its content and its name; the view moves.
    bool Grow(uint64_t newSize);
    // Makes sure the bytes [0, upTo) have memory behind them before they are written. A POSIX
    // section is sparse: writing a page that the system cannot back (a full /dev/shm) would
    // raise SIGBUS in the host's process, so pages are claimed ahead of the writes, and a claim
    // that fails is a refusal instead of a crash. Windows commits a section when it is made.
    bool Reserve(uint64_t upTo);
    void Unmap();  // the section stays, so that readers can still open it by name
    void Close();  // unmaps, closes, and removes the name

    char* View() const { return view_; }
    uint64_t Size() const { return size_; }
    bool IsOpen() const { return fd_ >= 0; }

  private:
    intptr_t fd_ = -1;  // the file descriptor; on Windows the section's handle
    char* view_ = nullptr;
    uint64_t size_ = 0;
    uint64_t reserved_ = 0;  // bytes from the start known to have memory behind them
    char name_[40] = {};
};

// Fault seam for tests: fail creation or growth.
struct SectionFaults {
    bool failCreate = false;
    bool failGrow = false;
    int64_t reserveBudgetBytes = -1;  // >= 0: claims beyond this many bytes fail (a full /dev/shm)
};
SectionFaults& SectionFaultsForTests();

}  // namespace hdmi::platform
