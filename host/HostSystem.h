// What the stand-in host needs of the operating system beyond the C++ library: loading a library
// by path, a private folder for the plug-in's temporary files, reading the plug-in's named report
// section, and a few facts about the process. HostSystemPosix.cpp and HostSystemWin32.cpp hold
// the two halves.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace hdmi::host::system {

// The plug-in's file name on this platform.
extern const char* const kPluginFileName;

// A loaded library, or null with `error` saying why.
void* OpenLibrary(const std::string& path, std::string& error);
// An exported symbol, or null with `error` saying why.
void* LibrarySymbol(void* library, const char* name, std::string& error);
void CloseLibrary(void* library);

// Creates a fresh private folder for temporary files and returns it with a trailing separator;
// throws std::runtime_error when none can be made.
std::string MakePrivateTempFolder();

int ProcessId();

// The folder of the running program, with a trailing separator; empty when unknown.
std::string ExecutableFolder();
bool IsReadableFile(const std::string& path);
bool IsTerminal(std::FILE* stream);
// The process has a terminal to talk to (the settings dialog needs one).
bool HasControllingTerminal();
// The user's configuration folder ($XDG_CONFIG_HOME or ~/.config; %APPDATA% on Windows), or
// empty when there is none.
std::string UserConfigFolder();
// Large allocations (the plug-in's packet chunks, the reader's blocks) get pages of their own
// that go back to the system when freed. glibc otherwise raises its threshold for that after the
// first such block is freed, and the next decode's blocks then stay in the heap for good.
void KeepLargeBlocksApart();
// Standard output and error write bytes unchanged (Windows would turn LF into CR LF).
void UseBinaryStandardStreams();
// The size this process may give a file when it is limited (ulimit -f), in words; else "".
std::string FileSizeLimit();

// The plug-in's report section, opened by the name the host gave in ReportName.
struct NamedSectionText {
    bool found = false;       // a section of that name exists and could be mapped
    bool terminated = false;  // a NUL ends the text inside the section
    std::string text;         // up to the NUL (or the whole section)
    std::string error;        // why it was not found
};
NamedSectionText ReadNamedSection(const std::string& name);

// The same section mapped read-only, so that a long report is read in place rather than copied.
class MappedSection {
  public:
    MappedSection() = default;
    ~MappedSection();
    MappedSection(MappedSection&& other) noexcept;
    MappedSection& operator=(MappedSection&& other) noexcept;
    MappedSection(const MappedSection&) = delete;
    MappedSection& operator=(const MappedSection&) = delete;

    bool found = false;    // as in NamedSectionText
    bool missing = false;  // no section of that name exists: the plug-in could not make it
    bool terminated = false;
    std::string_view text;  // up to the NUL; valid while this object lives
    std::string error;

  private:
    friend MappedSection MapNamedSection(const std::string& name);
    void Release();
    const void* view_ = nullptr;
    size_t size_ = 0;
};
MappedSection MapNamedSection(const std::string& name);

}  // namespace hdmi::host::system
