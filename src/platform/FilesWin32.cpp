// Windows half of the file layer. A name that is valid UTF-8 is converted to UTF-16 and goes to
// the wide calls; any other name is taken to be in the system code page and goes unchanged to the
// narrow calls, so folders that a host hands over in either form keep working.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

#include "platform/Files.h"

namespace hdmi::platform {
namespace {

constexpr int kWideNameLength = 260;

// False when the name does not fit in kWideNameLength wide characters with its terminator.
bool ToWide(const char* name, wchar_t (&wide)[kWideNameLength]) {
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, kWideNameLength) > 0;
}

HANDLE OpenExistingReadWrite(const char* name) {
    constexpr DWORD access = GENERIC_READ | GENERIC_WRITE;
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    if (ChooseNameForm(name) == NameForm::Narrow)
        return ::CreateFileA(name, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    wchar_t wide[kWideNameLength];
    if (!ToWide(name, wide)) return INVALID_HANDLE_VALUE;
    return ::CreateFileW(wide, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

intptr_t AsInt(HANDLE handle) {
    return reinterpret_cast<intptr_t>(handle);
}
HANDLE AsHandle(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

}  // namespace

bool FileExists(const char* name) {
    if (ChooseNameForm(name) == NameForm::Narrow)
        return ::GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
    wchar_t wide[kWideNameLength];
    return ToWide(name, wide) && ::GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES;
}

std::FILE* OpenForWriting(const char* name) {
    if (Faults().failOpenForWriting) return nullptr;
    if (ChooseNameForm(name) == NameForm::Narrow) return std::fopen(name, "wb");
    wchar_t wide[kWideNameLength];
    return ToWide(name, wide) ? ::_wfopen(wide, L"wb") : nullptr;
}

bool DeleteFileNamed(const char* name) {
    if (ChooseNameForm(name) == NameForm::Narrow) return ::DeleteFileA(name) != 0;
    wchar_t wide[kWideNameLength];
    return ToWide(name, wide) && ::DeleteFileW(wide) != 0;
}

bool SeekTo(std::FILE* stream, int64_t offset, int whence) {
    return ::_fseeki64(stream, offset, whence) == 0;
}

int64_t Tell(std::FILE* stream) {
    return ::_ftelli64(stream);
}

bool MapWholeFile(const char* name, int64_t length, FileMapping& out) {
    out = FileMapping{};
    if (Faults().failMapping || length <= 0) return false;
    const HANDLE file = OpenExistingReadWrite(name);
    if (file == INVALID_HANDLE_VALUE) return false;
    const auto size = static_cast<uint64_t>(length);
    const HANDLE mapping = ::CreateFileMappingA(file, nullptr, PAGE_READWRITE, static_cast<DWORD>(size >> 32),
                                                static_cast<DWORD>(size), nullptr);
    if (mapping == nullptr) {
        ::CloseHandle(file);
        return false;
    }
    void* view = ::MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, static_cast<SIZE_T>(size));
    if (view == nullptr) {
        ::CloseHandle(mapping);
        ::CloseHandle(file);
        return false;
    }
    out.fileHandle = AsInt(file);
    out.mappingHandle = AsInt(mapping);
    out.view = view;
    return true;
}

void UnmapFile(FileMapping& mapping) {
    if (mapping.view != nullptr) ::UnmapViewOfFile(mapping.view);
    if (mapping.mappingHandle != -1 && mapping.mappingHandle != 0)
        ::CloseHandle(AsHandle(mapping.mappingHandle));
    if (mapping.fileHandle != -1) ::CloseHandle(AsHandle(mapping.fileHandle));
    mapping = FileMapping{};
}

}  // namespace hdmi::platform
