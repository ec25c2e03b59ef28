// The report section on Windows: a named file mapping backed by the pagefile. The name lives as
// long as a handle to the mapping is open, so the host can open it by name after Analysis returns
// for as long as the decoder keeps its handle.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/SharedSection.h"

namespace hdmi::platform {
namespace {

HANDLE AsHandle(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

HANDLE CreatePagefileSection(const char* name, uint64_t size) {
    return ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, static_cast<DWORD>(size >> 32),
                                static_cast<DWORD>(size), name);
}

char* MapReadWrite(HANDLE mapping, uint64_t size) {
    return static_cast<char*>(
        ::MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, static_cast<SIZE_T>(size)));
}

}  // namespace

bool SharedSection::Create(const char* name, uint64_t size) {
    Close();
    if (SectionFaultsForTests().failCreate || name == nullptr || size == 0) return false;
    std::snprintf(name_, sizeof name_, "%s", name);
    HANDLE mapping = CreatePagefileSection(name_, size);
    if (mapping != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        // The name was taken (a reader still holds an earlier section): let go and ask once more.
        ::CloseHandle(mapping);
        mapping = CreatePagefileSection(name_, size);
    }
    if (mapping == nullptr) {
        name_[0] = '\0';
        return false;
    }
    char* view = MapReadWrite(mapping, size);
    if (view == nullptr) {
        ::CloseHandle(mapping);
        name_[0] = '\0';
        return false;
    }
    fd_ = reinterpret_cast<intptr_t>(mapping);
    view_ = view;
    size_ = size;
    return true;
}

// A pagefile section cannot change its size. The text moves to a larger section of the same name:
// the old one is released first so that the name is free (nobody else holds it while the report
// is written), and when the larger one cannot be had the old size is made again with the text.
bool SharedSection::Reserve(uint64_t upTo) {
    // A pagefile section's memory is committed when it is created.
    const int64_t budget = SectionFaultsForTests().reserveBudgetBytes;
    return fd_ != -1 && upTo <= size_ && (budget < 0 || upTo <= static_cast<uint64_t>(budget));
}

bool SharedSection::Grow(uint64_t newSize) {
    if (fd_ == -1 || view_ == nullptr || newSize <= size_ || SectionFaultsForTests().failGrow) return false;
    const uint64_t oldSize = size_;
    std::unique_ptr<char[]> keep(new (std::nothrow) char[oldSize]);
    if (!keep) return false;
    std::memcpy(keep.get(), view_, oldSize);
    char name[sizeof name_];
    std::memcpy(name, name_, sizeof name);

    Close();
    const bool grown = Create(name, newSize);
    if (!grown && !Create(name, oldSize)) return false;
    std::memcpy(view_, keep.get(), oldSize);
    return grown;
}

void SharedSection::Unmap() {
    if (view_ != nullptr) ::UnmapViewOfFile(view_);
    view_ = nullptr;
}

void SharedSection::Close() {
    Unmap();
    if (fd_ != -1) ::CloseHandle(AsHandle(fd_));
    fd_ = -1;
    size_ = 0;
    name_[0] = '\0';
}

}  // namespace hdmi::platform
