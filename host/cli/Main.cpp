// hdmi-ddc: decodes captured HDMI DDC traffic through the HDMI_EDID plug-in, and synthesizes
// captures of such traffic.
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "Cli.h"
#include "HostSystem.h"

namespace hdmi::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int) {
    gInterrupted = 1;
}

constexpr const char* kUsage =
    R"(usage: hdmi-ddc decode FILE [options]       decode a capture and print the DDC report
       hdmi-ddc synth OUT [options]        write a capture of scripted DDC traffic (.sr, .vcd, .csv)
       hdmi-ddc settings [--show|--reset]  set the plug-in's settings in its dialog, and keep them
       hdmi-ddc help

decode reads sigrok sessions (.sr), VCD and CSV exports, recognised by their content.
  --scl CH, --sda CH     channel by name or number (default: the channels named SCL and SDA)
  --8bit, --7bit         show addresses as 8-bit bytes with the R/W bit, or as 7-bit
  --glitch, --no-glitch  ignore one-sample pulses on SDA (captures at 200 MHz and above)
  --stats, --no-stats    statistics mode: list EDID bytes read twice with different values
  --no-settings          use the plug-in's defaults, not the settings kept by hdmi-ddc settings
  --from POS, --to POS   decode range, in samples (12000) or time (1.5ms, 20us)
  --rate HZ              sample rate for files that give none (or to override it)
  --format FMT           table (default), csv, json, or raw (the report text as written)
  --packets              list the decoded packets with their labels instead of the report
  --color WHEN           auto (default), always, never
  --progress WHEN        auto (default: a bar on a terminal for long captures), always, never
  --plugin PATH          the plug-in (default: HDMI_EDID.so beside hdmi-ddc)

settings opens the plug-in's settings dialog (it needs a terminal) and, on OK, keeps the
settings in $XDG_CONFIG_HOME/hdmi-ddc/settings (~/.config/hdmi-ddc/settings) for decode, whose
options override them. Channels named SCL and SDA in a capture win over the kept channels.
  --show                 print the kept settings
  --reset                forget them
  --plugin PATH          the plug-in (default: HDMI_EDID.so beside hdmi-ddc)

synth writes one hot-plug worth of traffic for each part asked for, in this order:
  --edid FILE            EDID reads of every block of FILE (binary or hex text); blocks 2
                         and above through the segment pointer
  --scdc                 SCDC set-up (version, TMDS configuration) and status polling
  --hdcp                 HDCP 1.x authentication (Bcaps, Bksv, An, Aksv, Ri') and link checks
  --polls N              status polls after set-up (default 3)
  --rate HZ              sample rate (default 10MHz)
  --scl-freq HZ          SCL frequency (default 100kHz)
  --gap TIME             idle bus between transactions (default 200us)
  --glitches N           N one-sample pulses on SDA while SCL is high, at random bytes
  --seed N               seed for the glitch places and the HDCP values (default 1)
  --repeat N             the whole sequence N times (default 1)
  --min-samples N        repeat the sequence until the capture holds N samples
  --format FMT           sr, vcd or csv (default: from OUT's extension)

Exit status: 0 done, 1 the plug-in could not decode, 2 bad input or usage, 130 interrupted.
)";

}  // namespace

void InstallSignalHandlers() {
#ifdef _WIN32
    // Ctrl-C in the console; the C runtime has no SIGPIPE there (a closed pipe fails the write).
    std::signal(SIGINT, &OnInterrupt);
    std::signal(SIGTERM, &OnInterrupt);
#else
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

bool Interrupted() {
    return gInterrupted != 0;
}

void ClearInterrupted() {
    gInterrupted = 0;
}

std::optional<std::string> Args::Value(std::string_view name) {
    for (size_t i = 0; i < words_.size(); ++i) {
        const std::string& word = words_[i];
        if (word == "--") break;
        if (word == name) {
            if (i + 1 >= words_.size()) throw InputError(std::string(name) + " needs a value");
            std::string value = words_[i + 1];
            words_.erase(words_.begin() + ptrdiff_t(i), words_.begin() + ptrdiff_t(i) + 2);
            return value;
        }
        if (word.size() > name.size() && word.starts_with(name) && word[name.size()] == '=') {
            std::string value = word.substr(name.size() + 1);
            words_.erase(words_.begin() + ptrdiff_t(i));
            return value;
        }
    }
    return std::nullopt;
}

bool Args::Switch(std::string_view name) {
    for (size_t i = 0; i < words_.size(); ++i) {
        if (words_[i] == "--") break;
        if (words_[i] == name) {
            words_.erase(words_.begin() + ptrdiff_t(i));
            return true;
        }
    }
    return false;
}

std::vector<std::string> Args::Positionals() {
    std::vector<std::string> positionals;
    bool literal = false;
    for (size_t i = 0; i < words_.size();) {
        if (!literal && words_[i] == "--") {
            literal = true;
            words_.erase(words_.begin() + ptrdiff_t(i));
            continue;
        }
        if (literal || !words_[i].starts_with("-") || words_[i] == "-") {
            positionals.push_back(words_[i]);
            words_.erase(words_.begin() + ptrdiff_t(i));
            continue;
        }
        ++i;
    }
    return positionals;
}

void Args::Finish() const {
    if (!words_.empty()) throw InputError("unknown option " + words_.front() + " (see hdmi-ddc help)");
}

int64_t ParseCount(std::string_view option, std::string_view text, int64_t min, int64_t max) {
    int64_t value = 0;
    bool ok = !text.empty() && text.size() <= 18;
    for (char c : text) {
        ok = ok && c >= '0' && c <= '9';
        if (ok) value = value * 10 + (c - '0');
    }
    if (!ok || value < min || value > max)
        throw InputError(std::string(option) + " wants a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not \"" + std::string(text) + "\"");
    return value;
}

}  // namespace hdmi::cli

int main(int argc, char** argv) {
    using namespace hdmi::cli;
    hdmi::host::system::KeepLargeBlocksApart();
    hdmi::host::system::UseBinaryStandardStreams();  // the raw report keeps its CR LF
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words[0] == "help" || words[0] == "--help" || words[0] == "-h") {
        std::fputs(kUsage, words.empty() ? stderr : stdout);
        return words.empty() ? kExitBadInput : kExitOk;
    }
    const std::string command = words[0];
    words.erase(words.begin());
    InstallSignalHandlers();
    try {
        if (command == "decode") return RunDecode(Args(std::move(words)));
        if (command == "synth") return RunSynth(Args(std::move(words)));
        if (command == "settings") return RunSettings(Args(std::move(words)));
        throw InputError("unknown command \"" + command + "\" (decode, settings, synth or help)");
    } catch (const InputError& error) {
        std::fprintf(stderr, "hdmi-ddc: %s\n", error.what());
        return kExitBadInput;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "hdmi-ddc: out of memory\n");
        return kExitDecodeFailed;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hdmi-ddc: %s\n", error.what());
        return kExitDecodeFailed;
    }
}
