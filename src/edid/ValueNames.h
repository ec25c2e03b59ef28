// Value-name lists that more than one EDID table uses, kept once.
#pragma once

namespace hdmi::names {

inline constexpr const char* kSupport[] = {"not supported", "supported"};
inline constexpr const char* kPolarity[] = {"Negative", "Positive"};
// Aspect ratio of a standard timing (second byte, bits 7..6).
inline constexpr const char* kStandardTimingAspect[] = {"16 : 10 AR", "4 : 3 AR", "5 : 4 AR", "16 : 9 AR"};
// Preferred refresh rate of a CVT code, in Hz (the row's format adds the unit).
inline constexpr const char* kCvtPreferredRate[] = {"50", "60", "75", "85"};

}  // namespace hdmi::names
