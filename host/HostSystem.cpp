// The parts of the operating-system layer that are the same on every platform.
#include "HostSystem.h"

#include <utility>

namespace hdmi::host::system {

MappedSection::~MappedSection() {
    Release();
}

MappedSection::MappedSection(MappedSection&& other) noexcept {
    *this = std::move(other);
}

MappedSection& MappedSection::operator=(MappedSection&& other) noexcept {
    if (this != &other) {
        Release();
        found = other.found;
        terminated = other.terminated;
        text = other.text;
        error = std::move(other.error);
        view_ = std::exchange(other.view_, nullptr);
        size_ = std::exchange(other.size_, 0);
        other.text = {};
    }
    return *this;
}

NamedSectionText ReadNamedSection(const std::string& name) {
    const MappedSection section = MapNamedSection(name);
    NamedSectionText result;
    result.found = section.found;
    result.terminated = section.terminated;
    result.text.assign(section.text);
    result.error = section.error;
    return result;
}

}  // namespace hdmi::host::system
