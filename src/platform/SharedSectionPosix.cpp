#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/SharedSection.h"

namespace hdmi::platform {

bool SharedSection::Create(const char* name, uint64_t size) {
    Close();
    if (SectionFaultsForTests().failCreate || name == nullptr || size == 0) return false;
    std::snprintf(name_, sizeof name_, "/%s", name);
    int fd = ::shm_open(name_, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) {
        // A stale section of the same name (an earlier process that died): replace it.
        ::shm_unlink(name_);
        fd = ::shm_open(name_, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    }
    if (fd < 0) {
        name_[0] = '\0';
        return false;
    }
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        ::close(fd);
        ::shm_unlink(name_);
        name_[0] = '\0';
        return false;
    }
    void* view = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        ::close(fd);
        ::shm_unlink(name_);
        name_[0] = '\0';
        return false;
    }
    fd_ = fd;
    view_ = static_cast<char*>(view);
    size_ = size;
    reserved_ = 0;
    return true;
}

bool SharedSection::Reserve(uint64_t upTo) {
    if (fd_ < 0 || upTo > size_) return false;
    if (upTo <= reserved_) return true;
    // A mebibyte at a time, so that a long report costs one call per mebibyte; when that much
    // cannot be had, just the pages needed.
    constexpr uint64_t kStep = uint64_t{1} << 20;
    constexpr uint64_t kPage = 4096;
    const uint64_t ahead = std::min(size_, (upTo + kStep - 1) / kStep * kStep);
    const uint64_t needed = std::min(size_, (upTo + kPage - 1) / kPage * kPage);
    for (const uint64_t target : {ahead, needed}) {
        const int64_t budget = SectionFaultsForTests().reserveBudgetBytes;
        if (budget >= 0 && target > static_cast<uint64_t>(budget)) continue;
        if (::posix_fallocate(static_cast<int>(fd_), static_cast<off_t>(reserved_),
                              static_cast<off_t>(target - reserved_)) == 0) {
            reserved_ = target;
            return true;
        }
    }
    return false;
}

bool SharedSection::Grow(uint64_t newSize) {
    if (fd_ < 0 || newSize <= size_ || SectionFaultsForTests().failGrow) return false;
    if (::ftruncate(fd_, static_cast<off_t>(newSize)) != 0) return false;
    void* view = ::mmap(nullptr, newSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (view == MAP_FAILED) return false;
    if (view_ != nullptr) ::munmap(view_, size_);
    view_ = static_cast<char*>(view);
    size_ = newSize;
    return true;
}

void SharedSection::Unmap() {
    if (view_ != nullptr) ::munmap(view_, size_);
    view_ = nullptr;
}

void SharedSection::Close() {
    Unmap();
    if (fd_ >= 0) {
        ::close(fd_);
        ::shm_unlink(name_);
    }
    fd_ = -1;
    size_ = 0;
    reserved_ = 0;
    name_[0] = '\0';
}

}  // namespace hdmi::platform
