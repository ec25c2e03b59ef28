// hdmi-ddc settings: opens the plug-in's settings dialog through ConfigDialog, as a host does, and
// keeps what the user accepts for later decodes; --show prints what is kept, --reset forgets it.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "Cli.h"
#include "HostSystem.h"
#include "PluginLoader.h"
#include "Render.h"
#include "Session.h"
#include "SettingsFile.h"
#include "plugin/Colors.h"

namespace hdmi::cli {

namespace {

std::string SettingsPathOrThrow() {
    const std::string path = host::DefaultSettingsPath();
    if (path.empty())
        throw InputError("no configuration folder to keep settings in (set HOME or XDG_CONFIG_HOME)");
    return path;
}

const char* RangeName(uint32_t index) {
    static constexpr const char* kNames[] = {"Buffer Head", "Trigger",  "Cursor A", "Cursor B",
                                             "Cursor C",    "Cursor D", "Cursor E"};
    return index < std::size(kNames) ? kNames[index] : "(none)";
}

std::string Describe(const host::StoredSettings& s) {
    std::string text;
    auto line = [&](const char* name, const std::string& value) {
        char buffer[160];
        std::snprintf(buffer, sizeof buffer, "  %-15s %s\n", name, value.c_str());
        text += buffer;
    };
    line("SCL", "channel " + std::to_string(s.ChannelMap[0]));
    line("SDA", "channel " + std::to_string(s.ChannelMap[1]));
    line("addresses", s.DecodeFlags & kDecodeEightBit ? "8-bit (with the R/W bit)" : "7-bit");
    line("glitch filter", s.DecodeFlags & kDecodeIgnoreGlitch ? "on" : "off");
    line("statistics", s.DecodeFlags & kDecodeStatistics ? "on" : "off");
    line("decode range", std::string(RangeName(s.DecodeFlags & kDecodeFromMask)) + " to " +
                             RangeName((s.DecodeFlags >> kDecodeToShift) & 0xF) +
                             " (decode places cursors A and B only for --from and --to)");
    static constexpr struct {
        const char* name;
        int slot;
    } kSlots[] = {{"Start", kSlotStart}, {"Stop", kSlotStop},     {"Address", kSlotAddress},
                  {"Data", kSlotData},   {"R/W", kSlotReadWrite}, {"ACK", kSlotAck},
                  {"NACK", kSlotNack}};
    for (const auto& slot : kSlots) {
        const uint32_t index = ColorIndexOfSlot(s.ColorSlotsLow, s.ColorSlotsHigh, slot.slot);
        line((std::string(slot.name) + " colour").c_str(),
             std::to_string(index) + " (" + HexColour(kLabelFillColors[index]) + ")");
    }
    return text;
}

}  // namespace

int RunSettings(Args args) {
    const bool show = args.Switch("--show");
    const bool reset = args.Switch("--reset");
    const std::optional<std::string> pluginPath = args.Value("--plugin");
    if (!args.Positionals().empty()) throw InputError("settings takes no file (see hdmi-ddc help settings)");
    args.Finish();
    if (show && reset) throw InputError("--show and --reset do not go together");
    const std::string path = SettingsPathOrThrow();

    try {
        if (reset) {
            const bool removed = host::RemoveSettings(path);
            std::printf(removed ? "removed %s; decode uses the plug-in's defaults again\n"
                                : "no settings were kept (%s)\n",
                        path.c_str());
            return kExitOk;
        }
        const std::optional<host::StoredSettings> stored = host::LoadSettings(path);
        if (show) {
            if (!stored) {
                std::printf("no settings kept (%s); decode uses the plug-in's defaults\n", path.c_str());
            } else {
                std::printf("%s\n%s", path.c_str(), Describe(*stored).c_str());
            }
            return kExitOk;
        }

        if (!host::system::HasControllingTerminal())
            throw InputError("the settings dialog needs a terminal (see hdmi-ddc settings --show)");
        std::shared_ptr<host::Plugin> plugin = LoadPlugin(pluginPath);
        host::Session session(plugin);
        const PluginInfo info = session.Identify();
        if (std::string_view(info.name, strnlen(info.name, sizeof info.name)) != "DDC(EDID)")
            throw InputError(plugin->Path() + " is not the DDC(EDID) plug-in");
        session.Init();
        // No capture here: the spinners offer every channel a capture of ours can have.
        session.Context().HostChannelCount = uint16_t(host::kMaxChannels);
        // Kept settings open the dialog on them; without, SettingsState is clear and the dialog
        // shows its own defaults.
        if (stored) stored->StoreInto(session.Context());
        session.ConfigDialog();
        if (session.Context().DialogResult != 1) {
            std::printf("cancelled; the kept settings are unchanged\n");
            return kExitOk;
        }
        const host::StoredSettings accepted = host::StoredSettings::From(session.Context());
        host::SaveSettings(path, accepted);
        std::printf("kept in %s\n%s", path.c_str(), Describe(accepted).c_str());
        return kExitOk;
    } catch (const host::SettingsFileError& error) {
        throw InputError(std::string(error.what()) + " (hdmi-ddc settings --reset starts afresh)");
    }
}

}  // namespace hdmi::cli
