// The allocation seam of the fault tests: this test program replaces the global operator new, so
// that a chosen allocation fails as it would when memory runs out. Off until armed.
#pragma once

#include <cstdint>

namespace hdmi::testing {

// Counts allocations from now on; the n-th (1-based) fails when n > 0.
void ArmAllocationFault(int64_t n);
// Stops failing and counting; returns how many allocations were made while armed.
int64_t DisarmAllocationFault();

// While one lives, allocations neither count nor fail: the host's callbacks run in one, since
// only the plug-in's allocations are under test.
class HostCode {
  public:
    HostCode();
    ~HostCode();
    HostCode(const HostCode&) = delete;
    HostCode& operator=(const HostCode&) = delete;

  private:
    bool wasArmed_;
};

}  // namespace hdmi::testing
