#define WIN32_LEAN_AND_MEAN
#include <windows.h>
//
#include <fcntl.h>
#include <io.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "HostSystem.h"

namespace hdmi::host::system {
namespace {

std::string LastErrorText() {
    const DWORD code = ::GetLastError();
    char* text = nullptr;
    ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = text != nullptr ? text : "error " + std::to_string(code);
    if (text != nullptr) ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

}  // namespace

const char* const kPluginFileName = "HDMI_EDID.dll";

void* OpenLibrary(const std::string& path, std::string& error) {
    HMODULE library = ::LoadLibraryA(path.c_str());
    if (library == nullptr) error = LastErrorText();
    return reinterpret_cast<void*>(library);
}

void* LibrarySymbol(void* library, const char* name, std::string& error) {
    const FARPROC symbol = ::GetProcAddress(static_cast<HMODULE>(library), name);
    if (symbol == nullptr) error = LastErrorText();
    return reinterpret_cast<void*>(symbol);
}

void CloseLibrary(void* library) {
    if (library != nullptr) ::FreeLibrary(static_cast<HMODULE>(library));
}

std::string MakePrivateTempFolder() {
    char base[MAX_PATH + 1];
    const DWORD length = ::GetTempPathA(sizeof base, base);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder: " + LastErrorText());
    // Named after the process and a counter; a name that is taken is skipped.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string folder = std::string(base) + "hdmiddc-" + std::to_string(::GetCurrentProcessId()) +
                                   "-" + std::to_string(++counter);
        // Windows takes '/' as well; the loader promises the plug-in a folder ending in '/'.
        if (::CreateDirectoryA(folder.c_str(), nullptr)) return folder + "/";
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    throw std::runtime_error(std::string("cannot create a temporary folder in ") + base + ": " +
                             LastErrorText());
}

int ProcessId() {
    return static_cast<int>(::GetCurrentProcessId());
}

std::string ExecutableFolder() {
    char path[MAX_PATH + 1];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return {};
    const std::string full(path, length);
    const size_t separator = full.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : full.substr(0, separator + 1);
}

bool IsReadableFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool HasControllingTerminal() {
    return true;  // the dialog is a window; Windows always has somewhere to show it
}

std::string UserConfigFolder() {
    const char* appData = std::getenv("APPDATA");
    return appData && *appData ? appData : "";
}

std::string FileSizeLimit() {
    return {};  // Windows has no per-process file size limit
}

void KeepLargeBlocksApart() {}  // the Windows heap gives large blocks their own pages already

bool IsTerminal(std::FILE* stream) {
    return ::_isatty(::_fileno(stream)) != 0;
}

void UseBinaryStandardStreams() {
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

MappedSection MapNamedSection(const std::string& name) {
    MappedSection result;
    const HANDLE mapping = ::OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    if (mapping == nullptr) {
        result.missing = ::GetLastError() == ERROR_FILE_NOT_FOUND;
        result.error = name + " cannot be opened: " + LastErrorText();
        return result;
    }
    const void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    // The view keeps the section alive; the handle is not needed any more.
    ::CloseHandle(mapping);
    if (view == nullptr) {
        result.error = name + " cannot be mapped: " + LastErrorText();
        return result;
    }
    // A pagefile section carries no size of its own; its view covers whole pages of it.
    MEMORY_BASIC_INFORMATION info{};
    ::VirtualQuery(view, &info, sizeof info);
    const size_t size = info.RegionSize;
    result.view_ = view;
    result.size_ = size;
    const char* text = static_cast<const char*>(view);
    const size_t length = strnlen(text, size);
    result.found = true;
    result.terminated = length < size;
    result.text = std::string_view(text, length);
    return result;
}

void MappedSection::Release() {
    if (view_ != nullptr) ::UnmapViewOfFile(view_);
    view_ = nullptr;
    size_ = 0;
    text = {};
}

}  // namespace hdmi::host::system
