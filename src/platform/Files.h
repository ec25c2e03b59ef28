// Files and file mappings, as the packet files and the report section need them. Names are narrow
// byte strings; a name that is valid UTF-8 takes the wide (UTF-16) road of the platform, any other
// the narrow one, so a folder in the system code page keeps working.
#pragma once

#include <cstdint>
#include <cstdio>

namespace hdmi::platform {

bool IsValidUtf8(const char* name);

enum class NameForm { Narrow, Wide };
inline NameForm ChooseNameForm(const char* name) {
    return IsValidUtf8(name) ? NameForm::Wide : NameForm::Narrow;
}

bool FileExists(const char* name);
std::FILE* OpenForWriting(const char* name);  // "wb": create or truncate, binary
bool DeleteFileNamed(const char* name);

// 64-bit seek and tell on an open stream.
bool SeekTo(std::FILE* stream, int64_t offset, int whence);
int64_t Tell(std::FILE* stream);

// A whole file mapped read-write.
struct FileMapping {
    intptr_t fileHandle = -1;
    intptr_t mappingHandle = -1;  // the mapping object; on POSIX the mapping's length
    void* view = nullptr;
};
// Opens an existing file read-write and maps `length` bytes of it. Returns false (and leaves
// nothing open) when the file cannot be opened or mapped.
bool MapWholeFile(const char* name, int64_t length, FileMapping& out);
void UnmapFile(FileMapping& mapping);

// Seam for fault injection in tests: when set, the named operation fails.
struct FileFaults {
    bool failOpenForWriting = false;
    bool failMapping = false;
    int64_t writeBudgetBytes = -1;  // >= 0: writes beyond this many bytes fail (a full disk)
};
FileFaults& Faults();
size_t WriteBlock(const void* data, size_t size, size_t count, std::FILE* stream);

}  // namespace hdmi::platform
