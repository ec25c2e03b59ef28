#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "HostSystem.h"

namespace hdmi::host::system {

const char* const kPluginFileName = "HDMI_EDID.so";

void* OpenLibrary(const std::string& path, std::string& error) {
    dlerror();
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* text = dlerror();
        error = text != nullptr ? text : "unknown error";
    }
    return library;
}

void* LibrarySymbol(void* library, const char* name, std::string& error) {
    dlerror();
    void* symbol = dlsym(library, name);
    const char* text = dlerror();
    if (symbol == nullptr || text != nullptr) {
        error = text != nullptr ? text : "not found";
        return nullptr;
    }
    return symbol;
}

void CloseLibrary(void* library) {
    if (library != nullptr) dlclose(library);
}

std::string MakePrivateTempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = (base && *base) ? base : "/tmp";
    if (pattern.back() != '/') pattern += '/';
    pattern += "hdmiddc-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) throw std::runtime_error("cannot create a temporary folder from " + pattern);
    return std::string(buffer.data()) + "/";
}

int ProcessId() {
    return static_cast<int>(getpid());
}

std::string ExecutableFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    const std::string path(buffer, size_t(length));
    return path.substr(0, path.rfind('/') + 1);
}

bool IsReadableFile(const std::string& path) {
    return access(path.c_str(), R_OK) == 0;
}

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

bool HasControllingTerminal() {
    const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool terminal = isatty(fd) != 0;
    close(fd);
    return terminal;
}

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return xdg;  // relative values are to be ignored, as XDG says
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.config";
    return {};
}

void KeepLargeBlocksApart() {
#ifdef M_MMAP_THRESHOLD
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);  // a fixed value also stops glibc adjusting it
#endif
}

void UseBinaryStandardStreams() {}  // no text mode here

std::string FileSizeLimit() {
    struct rlimit limit {};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return {};
    return "files are limited to " + std::to_string(uint64_t(limit.rlim_cur)) + " bytes (ulimit -f)";
}

MappedSection MapNamedSection(const std::string& name) {
    MappedSection result;
    const std::string shmName = "/" + name;
    const int fd = shm_open(shmName.c_str(), O_RDONLY, 0);
    if (fd < 0) {
        result.missing = errno == ENOENT;
        result.error = shmName + " cannot be opened: " + std::strerror(errno);
        return result;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        result.error = shmName + ": " + std::strerror(errno);
        close(fd);
        return result;
    }
    result.found = true;
    const size_t size = size_t(info.st_size);
    if (size == 0) {
        close(fd);
        return result;
    }
    void* view = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (view == MAP_FAILED) {
        result.found = false;
        result.error = shmName + " cannot be mapped: " + std::strerror(errno);
        return result;
    }
    result.view_ = view;
    result.size_ = size;
    const char* text = static_cast<const char*>(view);
    const size_t length = strnlen(text, size);
    result.terminated = length < size;
    result.text = std::string_view(text, length);
    return result;
}

void MappedSection::Release() {
    if (view_ != nullptr) munmap(const_cast<void*>(view_), size_);
    view_ = nullptr;
    size_ = 0;
    text = {};
}

}  // namespace hdmi::host::system
