// The process's terminal for a full-screen dialog: raw keyboard input, the alternate screen, and
// the terminal put back as it was on every way out (normal return, destruction, fatal signals).
#pragma once

#include <memory>
#include <string>

namespace hdmi::platform {

enum class Key {
    None,
    Tab,
    BackTab,
    Up,
    Down,
    Left,
    Right,
    Plus,
    Minus,
    Space,
    Enter,
    Escape,
    Interrupt,
    Redraw,
    HangUp
};

struct TerminalSize {
    int rows = 24;
    int columns = 80;
    friend bool operator==(const TerminalSize&, const TerminalSize&) = default;
};

// Turns raw input bytes into keys. Escape sequences split over several reads are joined; an
// Escape byte with nothing after it within the wait is the Escape key.
class KeyDecoder {
  public:
    void Feed(const char* bytes, size_t count) { pending_.append(bytes, count); }
    // The next complete key, or Key::None when more bytes are needed. With `final` set, a lone
    // Escape (or a cut sequence) is taken as the Escape key.
    Key Next(bool final);
    bool Empty() const { return pending_.empty(); }
    // True while the bytes so far are the start of an escape sequence.
    bool WaitingForMore() const;

  private:
    std::string pending_;
};

class TerminalDevice {
  public:
    // The controlling terminal of the process, or null when it has none.
    static std::unique_ptr<TerminalDevice> Open();
    ~TerminalDevice();
    TerminalDevice(const TerminalDevice&) = delete;
    TerminalDevice& operator=(const TerminalDevice&) = delete;

    // Raw input, alternate screen, cursor hidden.
    bool Enter();
    // Puts everything back; safe to call more than once.
    void Leave();

    TerminalSize Size() const;
    void Write(const std::string& text);
    // Waits up to timeoutMs for a key; Key::None when none came.
    Key ReadKey(int timeoutMs);

  private:
    explicit TerminalDevice(int fd) : fd_(fd) {}

    int fd_;
    bool entered_ = false;
    KeyDecoder decoder_;
};

}  // namespace hdmi::platform
