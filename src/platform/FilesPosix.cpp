// POSIX half of the file layer. Names are bytes here, so the narrow and the wide road of the
// Windows half meet again: a UTF-8 name is already what the file system stores.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/Files.h"

namespace hdmi::platform {

bool FileExists(const char* name) {
    struct stat info;
    return ::stat(name, &info) == 0;
}

std::FILE* OpenForWriting(const char* name) {
    if (Faults().failOpenForWriting) return nullptr;
    (void)ChooseNameForm(name);  // both forms are the same bytes on POSIX
    return std::fopen(name, "wb");
}

bool DeleteFileNamed(const char* name) {
    return ::unlink(name) == 0;
}

bool SeekTo(std::FILE* stream, int64_t offset, int whence) {
    return ::fseeko(stream, static_cast<off_t>(offset), whence) == 0;
}

int64_t Tell(std::FILE* stream) {
    return static_cast<int64_t>(::ftello(stream));
}

bool MapWholeFile(const char* name, int64_t length, FileMapping& out) {
    out = FileMapping{};
    if (Faults().failMapping || length <= 0) return false;
    const int fd = ::open(name, O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    void* view = ::mmap(nullptr, static_cast<size_t>(length), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        ::close(fd);
        return false;
    }
    out.fileHandle = fd;
    out.mappingHandle = static_cast<intptr_t>(length);
    out.view = view;
    return true;
}

void UnmapFile(FileMapping& mapping) {
    if (mapping.view != nullptr) ::munmap(mapping.view, static_cast<size_t>(mapping.mappingHandle));
    if (mapping.fileHandle >= 0) ::close(static_cast<int>(mapping.fileHandle));
    mapping = FileMapping{};
}

}  // namespace hdmi::platform
