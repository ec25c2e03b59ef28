#include "platform/TerminalDevice.h"

namespace hdmi::platform {

bool KeyDecoder::WaitingForMore() const {
    if (pending_.empty() || pending_[0] != '\x1b') return false;
    if (pending_.size() == 1) return true;
    if (pending_[1] != '[' && pending_[1] != 'O') return false;
    for (size_t i = 2; i < pending_.size(); ++i) {
        const auto c = static_cast<unsigned char>(pending_[i]);
        if (c >= 0x40 && c <= 0x7E) return false;
    }
    return true;
}

Key KeyDecoder::Next(bool final) {
    if (pending_.empty()) return Key::None;
    const char c = pending_[0];
    if (c != '\x1b') {
        pending_.erase(0, 1);
        switch (c) {
            case '\t':
                return Key::Tab;
            case '\r':
            case '\n':
                return Key::Enter;
            case ' ':
                return Key::Space;
            case '+':
            case '=':
                return Key::Plus;
            case '-':
            case '_':
                return Key::Minus;
            case '\x03':
                return Key::Interrupt;
            case '\x0c':
                return Key::Redraw;
            default:
                return Key::None;
        }
    }
    if (pending_.size() == 1) {
        if (!final) return Key::None;
        pending_.clear();
        return Key::Escape;
    }
    if (pending_[1] != '[' && pending_[1] != 'O') {  // Escape, then an unrelated key
        pending_.erase(0, 1);
        return Key::Escape;
    }
    // A control sequence: parameters, then a final byte in 0x40..0x7E.
    size_t end = 2;
    while (end < pending_.size() && (static_cast<unsigned char>(pending_[end]) < 0x40 ||
                                     static_cast<unsigned char>(pending_[end]) > 0x7E))
        ++end;
    if (end == pending_.size()) {
        if (!final) return Key::None;
        pending_.clear();
        return Key::Escape;
    }
    const char finalByte = pending_[end];
    const bool plain = end == 2;  // no parameters: a bare arrow, not a modified one
    pending_.erase(0, end + 1);
    switch (finalByte) {
        case 'A':
            return plain ? Key::Up : Key::None;
        case 'B':
            return plain ? Key::Down : Key::None;
        case 'C':
            return plain ? Key::Right : Key::None;
        case 'D':
            return plain ? Key::Left : Key::None;
        case 'Z':
            return Key::BackTab;
        default:
            return Key::None;
    }
}

}  // namespace hdmi::platform
