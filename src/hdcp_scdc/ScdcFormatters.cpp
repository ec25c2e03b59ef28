// The SCDC register formatters. Each composes its whole text in a working buffer of its own from
// three kinds of line (the register byte in hex, a reserved bit, a named bit with its meaning) and
// hands it over only when it fits the caller's capacity.
#include <cstdarg>
#include <cstring>

#include "hdcp_scdc/HandlerSupport.h"
#include "hdcp_scdc/ScdcRegisters.h"

namespace hdmi {
namespace {

constexpr size_t kWorkingSize = 1024;
constexpr size_t kShortWorkingSize = 64;  // the one-line formatters Reserved and HexByte

constexpr int BitOf(uint32_t value, int bit) {
    return (value >> bit) & 1;
}

template <size_t N>
class ScdcText {
  public:
    ScdcText() : span_(text_, N) {}

    __attribute__((format(printf, 2, 3))) void Line(const char* format, ...) {
        va_list args;
        va_start(args, format);
        span_.AppendV(format, args);
        va_end(args);
    }

    void Header(uint32_t v) { Line("[7:0]: %02Xh\n", v); }

    // Reserved bits high..low, from the most significant down.
    void ReservedBits(uint32_t v, int high, int low) {
        for (int bit = high; bit >= low; --bit)
            Line("%-4s%s%d%s %s (%d)\n", "", "[", bit, "]", "Rsvd", BitOf(v, bit));
    }

    void NamedBit(const char* position, const char* name, int value, const char* meaning) {
        Line("%-4s%s %s (%d) - %s\n", "", position, name, value, meaning);
    }

    bool Deliver(int32_t capacity, char* out) const {
        if (capacity < 0 || span_.Length() >= static_cast<size_t>(capacity)) return false;
        std::memcpy(out, text_, span_.Length() + 1);
        return true;
    }

  private:
    char text_[N] = {};
    TextSpan span_;
};

// Runs compose(text, byte) and delivers the text; refuses missing arguments like a text that does
// not fit.
template <size_t N = kWorkingSize, typename Compose>
bool Explain(const uint32_t* value, int32_t capacity, char* out, Compose compose) {
    if (value == nullptr || out == nullptr) return false;
    ScdcText<N> text;
    compose(text, *value & 0xFF);
    return text.Deliver(capacity, out);
}

struct ErrorCounterChannel {
    const char* lowLabel;
    const char* validName;
    const char* highLabel;
    const char* highCountFormat;
};
constexpr ErrorCounterChannel kErrorCounterChannels[] = {
    {"Channel 0 Error Count bits 7->0", "Ch0_Valid", "Channel 0 Error Count bis 14->8",
     "%-4s%s %s (%02Xh)\n"},
    {"Channel 1 Error Count bits 7->0", "Ch1_Valid", "Channel 1 Error Count bits 14->8", "%-4s%s %s (%Xh)\n"},
    {"Channel 2 Error Count bits 7->0", "Ch2_Valid", "Channel 2 Error Count bits 14->8",
     "%-4s%s %s (%02Xh)\n"},
};

// Indexed by octet number: 3 third (D0h), 2 second (D1h), 1 first (D2h).
constexpr const char* kOuiOctetLabels[] = {
    nullptr,
    "Manufacturer_OUI_3, First Octet",
    "Manufacturer_OUI_2, Second Octet",
    "Manufacturer_OUI_1, Third Octet",
};

constexpr const char* LockText(int bit) {
    return bit ? "Successfully" : "Unsuccessfully";
}
constexpr const char* DetectText(int bit) {
    return bit ? "detected" : "no detected";
}

}  // namespace

bool CDdcDecoder::FormatScdcReserved(const uint32_t* value, int32_t capacity, char* out) {
    if (value == nullptr || out == nullptr) return false;
    ScdcText<kShortWorkingSize> text;
    if (*value == 0)  // the whole value: bits above the byte count as data
        text.Line("Reserved\n");
    else
        text.Line("Unknown Data\n");
    return text.Deliver(capacity, out);
}

bool CDdcDecoder::FormatScdcHexByte(const uint32_t* value, int32_t capacity, char* out) {
    return Explain<kShortWorkingSize>(value, capacity, out, [](auto& text, uint32_t v) { text.Header(v); });
}

bool CDdcDecoder::FormatScdcAllReserved(const uint32_t* value, int32_t capacity, char* out) {
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        text.Header(v);
        text.ReservedBits(v, 7, 0);
    });
}

bool CDdcDecoder::FormatScdcUpdate0(const uint32_t* value, int32_t capacity, char* out) {
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        const auto meaning = [](int bit) { return bit ? "clear" : "reset"; };
        text.Header(v);
        text.ReservedBits(v, 7, 3);
        text.NamedBit("[2]", "RR_Test", BitOf(v, 2), meaning(BitOf(v, 2)));
        text.NamedBit("[1]", "CED_Update", BitOf(v, 1), meaning(BitOf(v, 1)));
        text.NamedBit("[0]", "Status_Update", BitOf(v, 0), meaning(BitOf(v, 0)));
    });
}

bool CDdcDecoder::FormatScdcTmdsConfig(const uint32_t* value, int32_t capacity, char* out) {
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        text.Header(v);
        text.ReservedBits(v, 7, 2);
        text.Line("%-4s%s %s (%d) - ratio: %s\n", "", "[1]", "TMDS_Bit_Clock_Ratio", BitOf(v, 1),
                  BitOf(v, 1) ? "1/40" : "1/10");
        text.NamedBit("[0]", "Scrambling_Enable", BitOf(v, 0), BitOf(v, 0) ? "enable" : "disable");
    });
}

bool CDdcDecoder::FormatScdcScramblerStatus(const uint32_t* value, int32_t capacity, char* out) {
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        text.Header(v);
        text.ReservedBits(v, 7, 1);
        text.NamedBit("[0]", "Scrambling_Status", BitOf(v, 0), DetectText(BitOf(v, 0)));
    });
}

bool CDdcDecoder::FormatScdcConfig0(const uint32_t* value, int32_t capacity, char* out) {
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        text.Header(v);
        text.ReservedBits(v, 7, 1);
        text.Line("%-4s%s %s (%d)\n", "", "[0]", "RR_Enable", BitOf(v, 0));
    });
}

bool CDdcDecoder::FormatScdcStatusFlags0(const uint32_t* value, int32_t capacity, char* out) {
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        text.Header(v);
        text.ReservedBits(v, 7, 4);
        text.Line("%-4s%s %s (%d) - Ch2 %s decode\n", "", "[3]", "Ch2_Locked", BitOf(v, 3),
                  LockText(BitOf(v, 3)));
        text.Line("%-4s%s %s (%d) - Ch1 %s decode\n", "", "[2]", "Ch1_Locked", BitOf(v, 2),
                  LockText(BitOf(v, 2)));
        text.Line("%-4s%s %s (%d) - Ch0 %s decode\n", "", "[1]", "Ch0_Locked", BitOf(v, 1),
                  LockText(BitOf(v, 1)));
        text.NamedBit("[0]", "Clock_Detected", BitOf(v, 0), DetectText(BitOf(v, 0)));
    });
}

template <int kChannel>
bool CDdcDecoder::FormatScdcErrDetLow(const uint32_t* value, int32_t capacity, char* out) {
    static_assert(kChannel >= 0 && kChannel <= 2);
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        text.Line("%s %s (%02Xh)\n", "[7:0]", kErrorCounterChannels[kChannel].lowLabel, v);
    });
}

template <int kChannel>
bool CDdcDecoder::FormatScdcErrDetHigh(const uint32_t* value, int32_t capacity, char* out) {
    static_assert(kChannel >= 0 && kChannel <= 2);
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        const ErrorCounterChannel& channel = kErrorCounterChannels[kChannel];
        text.Header(v);
        text.NamedBit("[7]", channel.validName, BitOf(v, 7), BitOf(v, 7) ? "Valid" : "Invalid");
        text.Line(channel.highCountFormat, "", "[6:0]", channel.highLabel, v & 0x7F);
    });
}

bool CDdcDecoder::FormatScdcErrDetChecksum(const uint32_t* value, int32_t capacity, char* out) {
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        text.Line("%s %s (%02Xh)\n", "[7:0]", "Checksum of Character Error Detection", v);
    });
}

bool CDdcDecoder::FormatScdcTestConfig0(const uint32_t* value, int32_t capacity, char* out) {
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        text.Header(v);
        text.NamedBit("[7]", "TestReadRequest", BitOf(v, 7), BitOf(v, 7) ? "set" : "clear");
        text.Line("%-4s%s %s - wait %dms\n", "", "[6:0]", "TestReadRequestDelay", static_cast<int>(v & 0x7F));
    });
}

template <int kOctet>
bool CDdcDecoder::FormatScdcOuiOctet(const uint32_t* value, int32_t capacity, char* out) {
    static_assert(kOctet >= 1 && kOctet <= 3);
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        text.Line("%s %s - %02Xh\n", "[7:0]", kOuiOctetLabels[kOctet], v);
    });
}

bool CDdcDecoder::FormatScdcHardwareRev(const uint32_t* value, int32_t capacity, char* out) {
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        text.Header(v);
        text.Line("%-4s%s %s: %01Xh\n", "", "[7:4]", "Decice ID: Hardware_Major_Rev", (v >> 4) & 0x0F);
        text.Line("%-4s%s %s: %01Xh\n", "", "[3:0]", "Device ID: Hardware_Minor_Rev", v & 0x0F);
    });
}

template <int kRevision>
bool CDdcDecoder::FormatScdcSoftwareRev(const uint32_t* value, int32_t capacity, char* out) {
    static_assert(kRevision == kScdcMajorRev || kRevision == kScdcMinorRev);
    return Explain(value, capacity, out, [](auto& text, uint32_t v) {
        text.Line("%s %s: %02Xh\n", "[7:0]",
                  kRevision == kScdcMajorRev ? "Software_Major_Rev" : "Software_Minor_Rev", v);
    });
}

template bool CDdcDecoder::FormatScdcErrDetLow<0>(const uint32_t*, int32_t, char*);
template bool CDdcDecoder::FormatScdcErrDetLow<1>(const uint32_t*, int32_t, char*);
template bool CDdcDecoder::FormatScdcErrDetLow<2>(const uint32_t*, int32_t, char*);
template bool CDdcDecoder::FormatScdcErrDetHigh<0>(const uint32_t*, int32_t, char*);
template bool CDdcDecoder::FormatScdcErrDetHigh<1>(const uint32_t*, int32_t, char*);
template bool CDdcDecoder::FormatScdcErrDetHigh<2>(const uint32_t*, int32_t, char*);
template bool CDdcDecoder::FormatScdcOuiOctet<3>(const uint32_t*, int32_t, char*);
template bool CDdcDecoder::FormatScdcOuiOctet<2>(const uint32_t*, int32_t, char*);
template bool CDdcDecoder::FormatScdcOuiOctet<1>(const uint32_t*, int32_t, char*);
template bool CDdcDecoder::FormatScdcSoftwareRev<CDdcDecoder::kScdcMajorRev>(const uint32_t*, int32_t, char*);
template bool CDdcDecoder::FormatScdcSoftwareRev<CDdcDecoder::kScdcMinorRev>(const uint32_t*, int32_t, char*);

}  // namespace hdmi
