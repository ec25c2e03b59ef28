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

// The fields of the host decode context that the plug-in owns (the settings block).
struct StoredSettings {
    int32_t channelCount = 2;
    int32_t channelMap[2] = {0, 1};
    uint32_t decodeFlags = 0;
    uint32_t colorSlotsLow = 0;
    uint32_t colorSlotsHigh = 0;
    uint16_t settingsState = 0;
    uint32_t dialogResult = 0;

    static StoredSettings From(const HostDecodeContext& context);
    void StoreInto(HostDecodeContext& context) const;
    friend bool operator==(const StoredSettings&, const StoredSettings&) = default;
};

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
