// Drives code that talks to its controlling terminal: the code runs in a child process whose
// controlling terminal is a fresh pseudo-terminal; the test types keys into the master side and
// reads the screen back through a small terminal emulator (cursor moves, clears, 24-bit colours,
// the alternate screen, cursor visibility).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/TerminalScreen.h"

namespace hdmi::testing {

// A screen that understands the sequences our terminal dialog writes.
class ScreenEmulator {
  public:
    ScreenEmulator(int rows, int columns) : rows_(rows), columns_(columns) { Clear(); }

    void Feed(const std::string& bytes) {
        raw_ += bytes;
        for (char c : bytes) Step(static_cast<unsigned char>(c));
    }

    std::string Row(int row) const {
        std::string text;
        for (int c = 0; c < columns_; ++c) text += cells_[Index(row, c)].glyph;
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    }
    std::string Text() const {
        std::string all;
        for (int r = 0; r < rows_; ++r) all += Row(r) + "\n";
        return all;
    }
    bool Shows(const std::string& text) const { return Text().find(text) != std::string::npos; }
    int RowOf(const std::string& text) const {
        for (int r = 0; r < rows_; ++r)
            if (Row(r).find(text) != std::string::npos) return r;
        return -1;
    }
    // Column (in cells) where `text` starts on `row`, or -1.
    int ColumnOf(int row, const std::string& text) const {
        const std::string line = Row(row);
        const size_t at = line.find(text);
        if (at == std::string::npos) return -1;
        return platform::DisplayWidth(line.substr(0, at));
    }
    int64_t Background(int row, int column) const { return cells_[Index(row, column)].background; }
    bool Reverse(int row, int column) const { return cells_[Index(row, column)].reverse; }

    bool AlternateScreen() const { return alternate_; }
    bool CursorVisible() const { return cursorVisible_; }
    const std::string& Raw() const { return raw_; }

  private:
    struct Cell {
        std::string glyph = " ";
        int64_t background = -1;
        bool reverse = false;
    };
    size_t Index(int r, int c) const { return static_cast<size_t>(r) * columns_ + c; }
    void Clear() { cells_.assign(static_cast<size_t>(rows_) * columns_, Cell{}); }

    void Step(unsigned char c) {
        if (state_ == State::Escape) {
            if (c == '[') {
                state_ = State::Csi;
                params_.clear();
            } else {
                state_ = State::Text;
            }
            return;
        }
        if (state_ == State::Csi) {
            if (c >= 0x40 && c <= 0x7E) {
                Csi(static_cast<char>(c));
                state_ = State::Text;
            } else {
                params_ += static_cast<char>(c);
            }
            return;
        }
        if (c == 0x1B) {
            state_ = State::Escape;
            return;
        }
        if (c == '\r') {
            column_ = 0;
            return;
        }
        if (c == '\n') {
            if (row_ + 1 < rows_) ++row_;
            return;
        }
        if (c < 0x20) return;
        utf8_ += static_cast<char>(c);
        const unsigned char lead = static_cast<unsigned char>(utf8_[0]);
        const size_t need = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 0xE ? 3 : 4;
        if (utf8_.size() < need) return;
        const int width = platform::DisplayWidth(utf8_);
        if (row_ < rows_ && column_ + width <= columns_) {
            Cell& cell = cells_[Index(row_, column_)];
            cell = {utf8_, background_, reverse_};
            if (width == 2) cells_[Index(row_, column_ + 1)] = {"", background_, reverse_};
        }
        column_ += width;
        utf8_.clear();
    }

    std::vector<int> Numbers() const {
        std::vector<int> numbers;
        std::string p = params_;
        if (!p.empty() && p[0] == '?') p.erase(0, 1);
        size_t start = 0;
        for (;;) {
            const size_t end = p.find(';', start);
            const std::string part =
                p.substr(start, end == std::string::npos ? std::string::npos : end - start);
            numbers.push_back(part.empty() ? 0 : std::atoi(part.c_str()));
            if (end == std::string::npos) break;
            start = end + 1;
        }
        return numbers;
    }

    void Csi(char final) {
        const std::vector<int> n = Numbers();
        const bool privateMode = !params_.empty() && params_[0] == '?';
        switch (final) {
            case 'H':
                row_ = std::max(1, n.size() > 0 ? n[0] : 1) - 1;
                column_ = std::max(1, n.size() > 1 ? n[1] : 1) - 1;
                break;
            case 'J':
                if (n[0] == 2) Clear();
                break;
            case 'h':
            case 'l':
                if (privateMode && n[0] == 1049) {
                    alternate_ = final == 'h';
                    Clear();
                }
                if (privateMode && n[0] == 25) cursorVisible_ = final == 'h';
                break;
            case 'm':
                for (size_t i = 0; i < n.size(); ++i) {
                    if (n[i] == 0) {
                        background_ = -1;
                        reverse_ = false;
                    } else if (n[i] == 7) {
                        reverse_ = true;
                    } else if (n[i] == 49) {
                        background_ = -1;
                    } else if ((n[i] == 48 || n[i] == 38) && i + 4 < n.size() && n[i + 1] == 2) {
                        if (n[i] == 48) background_ = n[i + 2] | n[i + 3] << 8 | n[i + 4] << 16;
                        i += 4;
                    }
                }
                break;
            default:
                break;
        }
    }

    enum class State { Text, Escape, Csi };
    int rows_;
    int columns_;
    std::vector<Cell> cells_;
    State state_ = State::Text;
    std::string params_;
    std::string utf8_;
    std::string raw_;
    int row_ = 0;
    int column_ = 0;
    int64_t background_ = -1;
    bool reverse_ = false;
    bool alternate_ = false;
    bool cursorVisible_ = true;
};

// A child process on its own pseudo-terminal. The child's body writes its findings to `resultFd`.
class PtyChild {
  public:
    PtyChild(int rows, int columns, const std::function<void(int resultFd)>& body) : screen_(rows, columns) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        slaveName_ = ::ptsname(master_);
        struct winsize size = {};
        size.ws_row = static_cast<unsigned short>(rows);
        size.ws_col = static_cast<unsigned short>(columns);
        ::ioctl(master_, TIOCSWINSZ, &size);
        if (!SlaveModes(initialModes_)) return;
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return;
        // Opened before the fork, so that the master never sees a terminal without a slave (it
        // would read as the end of output) while the child is starting.
        const int slave = ::open(slaveName_.c_str(), O_RDWR | O_NOCTTY);
        if (slave < 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(master_);
            ::close(pipeFds[0]);
            ::setsid();
            ::ioctl(slave, TIOCSCTTY, 0);
            ::dup2(slave, 0);
            ::dup2(slave, 1);
            ::dup2(slave, 2);
            if (slave > 2) ::close(slave);
            body(pipeFds[1]);
            ::close(pipeFds[1]);
            ::_exit(0);
        }
        ::close(slave);
        ::close(pipeFds[1]);
        results_ = pipeFds[0];
    }

    ~PtyChild() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) ::close(master_);
        if (results_ >= 0) ::close(results_);
    }

    bool Started() const { return pid_ > 0; }
    const ScreenEmulator& Screen() const { return screen_; }
    const std::string& SlaveName() const { return slaveName_; }
    pid_t Pid() const { return pid_; }

    // Reads output until the screen shows `text` (true) or the wait runs out (false).
    bool WaitFor(const std::string& text, int timeoutMs = 5000) {
        return WaitUntil([&] { return screen_.Shows(text); }, timeoutMs);
    }
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count()))) return done();
        }
        return true;
    }

    void Type(const std::string& keys) {
        size_t done = 0;
        while (done < keys.size()) {
            const ssize_t n = ::write(master_, keys.data() + done, keys.size() - done);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }

    // Drops the terminal: the child sees it hang up.
    void HangUp() {
        ::close(master_);
        master_ = -1;
    }

    // Reads the rest of the output, waits for the child and collects its result bytes. Returns
    // the wait status.
    int Finish(void* result, size_t size, int timeoutMs = 5000) {
        if (master_ >= 0) WaitUntil([] { return false; }, timeoutMs);  // until the child closes the terminal
        int status = -1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);  // a child that does not end fails the test instead of hanging it
                ::waitpid(pid_, &status, 0);
                break;
            }
            ::usleep(2000);
        }
        reaped_ = true;
        size_t got = 0;
        while (got < size) {
            const ssize_t n = ::read(results_, static_cast<char*>(result) + got, size - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        resultBytes_ = got;
        return status;
    }
    size_t ResultBytes() const { return resultBytes_; }

    // The terminal modes as the child left them (read through the slave side after it is gone).
    // Whether the child left the terminal modes as they were before it started.
    bool ModesRestored() const {
        struct termios now;
        if (!SlaveModes(now)) return false;
        return now.c_iflag == initialModes_.c_iflag && now.c_oflag == initialModes_.c_oflag &&
               now.c_cflag == initialModes_.c_cflag && now.c_lflag == initialModes_.c_lflag &&
               std::memcmp(now.c_cc, initialModes_.c_cc, sizeof now.c_cc) == 0;
    }
    bool SlaveModes(struct termios& modes) const {
        const int fd = ::open(slaveName_.c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0) return false;
        const bool ok = ::tcgetattr(fd, &modes) == 0;
        ::close(fd);
        return ok;
    }

  private:
    // False at end of output (the child closed the terminal) or when nothing came in time.
    bool ReadSome(int timeoutMs) {
        struct pollfd p = {master_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return false;
        char buffer[4096];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) return false;
        screen_.Feed(std::string(buffer, static_cast<size_t>(n)));
        return true;
    }

    ScreenEmulator screen_;
    int master_ = -1;
    int results_ = -1;
    pid_t pid_ = -1;
    bool reaped_ = false;
    size_t resultBytes_ = 0;
    std::string slaveName_;
    struct termios initialModes_ = {};
};

inline void WriteAllTo(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n <= 0) return;
        p += n;
        size -= static_cast<size_t>(n);
    }
}

}  // namespace hdmi::testing
