// What the stand-in host needs of the operating system beyond the C++ library: loading a library
// by path, a private folder for the plug-in's temporary files, reading the plug-in's named report
// section, and a few facts about the process. HostSystemPosix.cpp and HostSystemWin32.cpp hold
// the two halves.
#pragma once

#include <cstdio>
#include <string>

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
// Standard output and error write bytes unchanged (Windows would turn LF into CR LF).
void UseBinaryStandardStreams();

// The plug-in's report section, opened by the name the host gave in ReportName.
struct NamedSectionText {
    bool found = false;       // a section of that name exists and could be mapped
    bool terminated = false;  // a NUL ends the text inside the section
    std::string text;         // up to the NUL (or the whole section)
    std::string error;        // why it was not found
};
NamedSectionText ReadNamedSection(const std::string& name);

}  // namespace hdmi::host::system
