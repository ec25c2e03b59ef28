#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

#include "platform/TerminalDevice.h"

namespace hdmi::platform {
namespace {

constexpr char kEnterSequence[] = "\x1b[?1049h\x1b[?25l\x1b[H\x1b[2J";
constexpr char kLeaveSequence[] = "\x1b[0m\x1b[?25h\x1b[?1049l";
constexpr int kEscapeWaitMs = 40;

// What a fatal signal needs to put the terminal back; written before the handlers go in.
struct Restore {
    int fd = -1;
    struct termios saved;
};
Restore gRestore;
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};
struct sigaction gPrevious[sizeof kSignals / sizeof kSignals[0]];

void WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void RestoreOnSignal(int signal) {
    // Only async-signal-safe calls here.
    if (gRestore.fd >= 0) {
        ::tcsetattr(gRestore.fd, TCSANOW, &gRestore.saved);
        WriteAll(gRestore.fd, kLeaveSequence, sizeof kLeaveSequence - 1);
    }
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
        if (kSignals[i] == signal) ::sigaction(signal, &gPrevious[i], nullptr);
    ::raise(signal);
}

void InstallSignalHandlers() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = RestoreOnSignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
        ::sigaction(kSignals[i], nullptr, &gPrevious[i]);
        // A signal the process ignores stays ignored.
        if (gPrevious[i].sa_handler != SIG_IGN) ::sigaction(kSignals[i], &action, nullptr);
    }
}

void RemoveSignalHandlers() {
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
        ::sigaction(kSignals[i], &gPrevious[i], nullptr);
}

}  // namespace

std::unique_ptr<TerminalDevice> TerminalDevice::Open() {
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (!::isatty(fd)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<TerminalDevice>(new TerminalDevice(fd));
}

TerminalDevice::~TerminalDevice() {
    Leave();
    ::close(fd_);
}

bool TerminalDevice::Enter() {
    if (entered_) return true;
    struct termios saved;
    if (::tcgetattr(fd_, &saved) != 0) return false;
    gRestore.saved = saved;
    gRestore.fd = fd_;
    InstallSignalHandlers();

    struct termios raw = saved;
    raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    // Keys typed before the dialog showed are not meant for it.
    if (::tcsetattr(fd_, TCSAFLUSH, &raw) != 0) {
        RemoveSignalHandlers();
        gRestore.fd = -1;
        return false;
    }
    entered_ = true;
    WriteAll(fd_, kEnterSequence, sizeof kEnterSequence - 1);
    return true;
}

void TerminalDevice::Leave() {
    if (!entered_) return;
    entered_ = false;
    WriteAll(fd_, kLeaveSequence, sizeof kLeaveSequence - 1);
    // Keys typed into the dialog and not read do not spill into the shell.
    ::tcsetattr(fd_, TCSAFLUSH, &gRestore.saved);
    RemoveSignalHandlers();
    gRestore.fd = -1;
}

TerminalSize TerminalDevice::Size() const {
    struct winsize size;
    if (::ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0)
        return {static_cast<int>(size.ws_row), static_cast<int>(size.ws_col)};
    return {};
}

void TerminalDevice::Write(const std::string& text) {
    WriteAll(fd_, text.data(), text.size());
}

Key TerminalDevice::ReadKey(int timeoutMs) {
    for (;;) {
        while (!decoder_.Empty() && !decoder_.WaitingForMore()) {
            const Key key = decoder_.Next(false);
            if (key != Key::None) return key;
        }
        // A pending Escape waits a little for the rest of its sequence.
        const int wait = decoder_.Empty() ? timeoutMs : kEscapeWaitMs;
        struct pollfd p = {fd_, POLLIN, 0};
        const int n = ::poll(&p, 1, wait);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Key::HangUp;
        if (n == 0) {
            if (decoder_.Empty()) return Key::None;
            const Key key = decoder_.Next(true);
            if (key != Key::None) return key;
            continue;
        }
        if ((p.revents & POLLIN) == 0) return Key::HangUp;  // hung up or error
        char buffer[64];
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) return Key::HangUp;
        decoder_.Feed(buffer, static_cast<size_t>(got));
    }
}

}  // namespace hdmi::platform
