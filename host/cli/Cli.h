// hdmi-ddc: the stand-in host application on the command line. Shared pieces of its commands.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hdmi::host {
class Plugin;
}

namespace hdmi::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitDecodeFailed = 1;  // the plug-in could not decode (Analysis returned 0)
inline constexpr int kExitBadInput = 2;      // usage, unreadable or unusable input, plug-in problems
inline constexpr int kExitInterrupted = 130;

// A problem the user has to fix; the text is the one line printed after "hdmi-ddc: ".
class InputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The command line after the command word: options with values, switches and positionals.
class Args {
  public:
    Args(std::vector<std::string> words) : words_(std::move(words)) {}

    // Options are "--name value" or "--name=value"; switches are "--name". Each Take removes what
    // it read, so that Finish can report whatever nobody asked for.
    std::optional<std::string> Value(std::string_view name);
    bool Switch(std::string_view name);
    // The remaining words that do not start with "--" (a lone "-" counts as a positional).
    std::vector<std::string> Positionals();
    // Throws InputError for a word left over (an unknown option).
    void Finish() const;

  private:
    std::vector<std::string> words_;
};

int64_t ParseCount(std::string_view option, std::string_view text, int64_t min, int64_t max);

// Interrupt handling: SIGINT and SIGTERM set a flag that the long loops poll; SIGPIPE is
// ignored so that a closed output pipe shows up as a write error.
void InstallSignalHandlers();
bool Interrupted();
// Forgets an interrupt that has been dealt with, so that the next one counts again.
void ClearInterrupted();

// The plug-in at `requested`, or the one built beside hdmi-ddc; throws InputError when it cannot
// be loaded.
std::shared_ptr<hdmi::host::Plugin> LoadPlugin(const std::optional<std::string>& requested);

int RunDecode(Args args);
int RunSettings(Args args);
int RunSynth(Args args);

}  // namespace hdmi::cli
