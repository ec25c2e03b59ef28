// Small helpers shared by the HDCP and SCDC handlers: bounded text building and the colour pairs
// of the "EDID Data" column.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

namespace hdmi {

// Colour pairs of the Data column: ordinary data, and data whose acknowledge was not what a
// well-formed transfer gives.
inline constexpr int kDataColumn = 3;
inline constexpr int kDataPair = 3;
inline constexpr int kAnomalyPair = 6;

// Appends printf-style text to a caller's buffer. Text that does not fit is cut; the buffer always
// stays NUL-terminated (when it has room for the terminator at all).
class TextSpan {
  public:
    TextSpan(char* buffer, size_t size) : buffer_(buffer), size_(size) { Clear(); }

    void Clear() {
        length_ = 0;
        if (size_ > 0) buffer_[0] = 0;
    }

    __attribute__((format(printf, 2, 3))) void Append(const char* format, ...) {
        va_list args;
        va_start(args, format);
        AppendV(format, args);
        va_end(args);
    }

    __attribute__((format(printf, 2, 0))) void AppendV(const char* format, va_list args) {
        if (size_ == 0 || length_ + 1 >= size_) return;
        const int written = std::vsnprintf(buffer_ + length_, size_ - length_, format, args);
        if (written <= 0) return;
        length_ += static_cast<size_t>(written);
        if (length_ > size_ - 1) length_ = size_ - 1;
    }

    size_t Length() const { return length_; }
    bool Empty() const { return length_ == 0; }
    const char* Text() const { return buffer_; }

  private:
    char* buffer_;
    size_t size_;
    size_t length_ = 0;
};

}  // namespace hdmi
