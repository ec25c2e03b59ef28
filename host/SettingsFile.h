// The plug-in's settings block as the stand-in host keeps it between uses: a small text file in
// the user's configuration folder, one field per line, written when the settings dialog is
// accepted and read back before each decode.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "plugin/HostRecords.h"

namespace hdmi::host {

// The settings block as the plug-in writes it into the host decode context.
using StoredSettings = DecoderSettings;

// A settings file that cannot be used; the text names the file and the line.
class SettingsFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

std::string FormatSettings(const StoredSettings& settings);
// Throws SettingsFileError (with `origin` and the line number) for anything but what
// FormatSettings writes, give or take comments, blank lines and the order of the lines.
StoredSettings ParseSettings(const std::string& text, const std::string& origin);

// Where the settings live: $XDG_CONFIG_HOME/hdmi-ddc/settings, else ~/.config/hdmi-ddc/settings
// (on Windows %APPDATA%\hdmi-ddc\settings); empty when there is no such folder.
std::string DefaultSettingsPath();
// nullopt when the file does not exist; throws SettingsFileError when it cannot be read or parsed.
std::optional<StoredSettings> LoadSettings(const std::string& path);
// Writes the file whole (a temporary file renamed over the old one, so that an interrupted write
// never leaves half a file), creating the folder. Throws SettingsFileError.
void SaveSettings(const std::string& path, const StoredSettings& settings);
// Removes the file; false when there was none. Throws SettingsFileError when it cannot.
bool RemoveSettings(const std::string& path);

}  // namespace hdmi::host
