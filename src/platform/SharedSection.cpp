// The parts of the shared section that are the same on every platform.
#include "platform/SharedSection.h"

#include <cstring>
#include <utility>

namespace hdmi::platform {

SectionFaults& SectionFaultsForTests() {
    static SectionFaults faults;
    return faults;
}

SharedSection::SharedSection(SharedSection&& other) noexcept {
    *this = std::move(other);
}

SharedSection& SharedSection::operator=(SharedSection&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        view_ = std::exchange(other.view_, nullptr);
        size_ = std::exchange(other.size_, 0);
        std::memcpy(name_, other.name_, sizeof name_);
        other.name_[0] = '\0';
    }
    return *this;
}

SharedSection::~SharedSection() {
    Close();
}

}  // namespace hdmi::platform
