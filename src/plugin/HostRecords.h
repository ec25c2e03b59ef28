// Records shared with the host application. Their byte layout is the contract with the host:
// every field sits at a fixed offset, little-endian, pointers 64-bit. Bytes we do not name belong
// to the host and are never read or written.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hdmi {

// Host callbacks. None carries a context argument; the host finds its capture on its own.
using NextEdgeFn = int64_t (*)(int64_t position, uint8_t* levels16);
using BeginDecodeFn = uint8_t (*)();
using ReportLineSinkFn = uint32_t (*)(const char* line, uint32_t length);

inline constexpr int kLevelBytes = 16;  // 128 channels, bit n of byte n/8 is channel n
inline constexpr int kMarkerCount = 7;  // [0] sample count, [1] trigger T, [2..6] cursors A..E
inline constexpr int kChannelMapCapacity = 320;

// HostFlags bits the plug-in reads.
inline constexpr uint32_t kHostFlagGray = 0x1;
inline constexpr uint32_t kHostFlagLabels = 0x2;
inline constexpr uint32_t kHostFlagGrayToBinary = 0x8;
inline constexpr uint32_t kHostFlagDsoNames = 0x100;
inline constexpr uint32_t kHostFlagNumberFormat = 0x400;
inline constexpr uint32_t kHostFlagBankFromB = 0x800;
inline constexpr uint32_t kHostFlagBankNames = 0x1000;

// DecodeFlags fields.
inline constexpr uint32_t kDecodeFromMask = 0x0F;
inline constexpr uint32_t kDecodeToShift = 4;
inline constexpr uint32_t kDecodeIgnoreGlitch = 1u << 9;
inline constexpr uint32_t kDecodeEightBit = 1u << 10;
inline constexpr uint32_t kDecodeStatistics = 1u << 11;

struct HostDecodeContext {
    uint8_t hostBytes0[24];
    NextEdgeFn NextEdge;
    BeginDecodeFn BeginDecode;
    ReportLineSinkFn ReportLineSink;
    uint8_t hostBytes1[32];
    uint16_t HostChannelCount;
    uint8_t hostBytes2[14];
    int64_t MarkerPositions[kMarkerCount];
    uint8_t hostBytes3[4];
    uint32_t HostFlags;
    int32_t ChannelCount;  // settings
    uint8_t hostBytes4[20];
    int64_t ValidFirstSample;
    int64_t ValidLastSample;
    uint8_t hostBytes5[16];
    uint64_t ContinuousMode;
    uint8_t hostBytes6[24];
    uint32_t DialogResult;  // settings
    uint8_t hostBytes7[4];
    int64_t SampleRate;
    char ReportName[32];
    uint32_t* PacketWordsView;
    int64_t* PacketPositionsView;
    uint8_t hostBytes8[12];
    uint32_t LabelTextColor;
    uint32_t LabelFillColor;
    uint32_t LabelColorMode;
    uint8_t hostBytes9[68];
    uint16_t SettingsState;  // settings
    uint8_t hostBytes10[2];
    int32_t ChannelMap[kChannelMapCapacity];  // settings
    uint32_t DecodeFlags;                     // settings
    uint32_t ColorSlotsLow;                   // settings
    uint32_t ColorSlotsHigh;                  // settings
    uint8_t hostBytes11[148];
    uint32_t Progress;
    uint8_t hostBytes12[4];
    volatile uint32_t* AbortFlag;
};

static_assert(offsetof(HostDecodeContext, NextEdge) == 24);
static_assert(offsetof(HostDecodeContext, BeginDecode) == 32);
static_assert(offsetof(HostDecodeContext, ReportLineSink) == 40);
static_assert(offsetof(HostDecodeContext, HostChannelCount) == 80);
static_assert(offsetof(HostDecodeContext, MarkerPositions) == 96);
static_assert(offsetof(HostDecodeContext, HostFlags) == 156);
static_assert(offsetof(HostDecodeContext, ChannelCount) == 160);
static_assert(offsetof(HostDecodeContext, ValidFirstSample) == 184);
static_assert(offsetof(HostDecodeContext, ValidLastSample) == 192);
static_assert(offsetof(HostDecodeContext, ContinuousMode) == 216);
static_assert(offsetof(HostDecodeContext, DialogResult) == 248);
static_assert(offsetof(HostDecodeContext, SampleRate) == 256);
static_assert(offsetof(HostDecodeContext, ReportName) == 264);
static_assert(offsetof(HostDecodeContext, PacketWordsView) == 296);
static_assert(offsetof(HostDecodeContext, PacketPositionsView) == 304);
static_assert(offsetof(HostDecodeContext, LabelTextColor) == 324);
static_assert(offsetof(HostDecodeContext, LabelFillColor) == 328);
static_assert(offsetof(HostDecodeContext, LabelColorMode) == 332);
static_assert(offsetof(HostDecodeContext, SettingsState) == 404);
static_assert(offsetof(HostDecodeContext, ChannelMap) == 408);
static_assert(offsetof(HostDecodeContext, DecodeFlags) == 1688);
static_assert(offsetof(HostDecodeContext, ColorSlotsLow) == 1692);
static_assert(offsetof(HostDecodeContext, ColorSlotsHigh) == 1696);
static_assert(offsetof(HostDecodeContext, Progress) == 1848);
static_assert(offsetof(HostDecodeContext, AbortFlag) == 1856);
static_assert(sizeof(HostDecodeContext) == 1864);

// The settings block: the fields of the context that the plug-in owns and the host keeps from
// one use to the next. Copied out of and back into the context as one value.
struct DecoderSettings {
    int32_t ChannelCount = 0;
    uint32_t DialogResult = 0;
    uint16_t SettingsState = 0;
    int32_t ChannelMap[2] = {0, 0};
    uint32_t DecodeFlags = 0;
    uint32_t ColorSlotsLow = 0;
    uint32_t ColorSlotsHigh = 0;

    static DecoderSettings From(const HostDecodeContext& context) {
        DecoderSettings s;
        s.ChannelCount = context.ChannelCount;
        s.DialogResult = context.DialogResult;
        s.SettingsState = context.SettingsState;
        s.ChannelMap[0] = context.ChannelMap[0];
        s.ChannelMap[1] = context.ChannelMap[1];
        s.DecodeFlags = context.DecodeFlags;
        s.ColorSlotsLow = context.ColorSlotsLow;
        s.ColorSlotsHigh = context.ColorSlotsHigh;
        return s;
    }
    void StoreInto(HostDecodeContext& context) const {
        context.ChannelCount = ChannelCount;
        context.DialogResult = DialogResult;
        context.SettingsState = SettingsState;
        context.ChannelMap[0] = ChannelMap[0];
        context.ChannelMap[1] = ChannelMap[1];
        context.DecodeFlags = DecodeFlags;
        context.ColorSlotsLow = ColorSlotsLow;
        context.ColorSlotsHigh = ColorSlotsHigh;
    }
    friend bool operator==(const DecoderSettings&, const DecoderSettings&) = default;
};

// Filled by GetPluginInfo.
struct PluginInfo {
    uint32_t recordSize;
    uint32_t value512;
    uint32_t flags;
    uint32_t value6;
    int32_t minusOne;
    char name[16];
    uint8_t zero36[4];
    const void* layoutBlock;
    uint8_t zero48[128];
};
static_assert(offsetof(PluginInfo, value512) == 4);
static_assert(offsetof(PluginInfo, flags) == 8);
static_assert(offsetof(PluginInfo, value6) == 12);
static_assert(offsetof(PluginInfo, minusOne) == 16);
static_assert(offsetof(PluginInfo, name) == 20);
static_assert(offsetof(PluginInfo, layoutBlock) == 40);
static_assert(sizeof(PluginInfo) == 176);

// Filled by GetQuickSetInfo.
struct QuickSetInfo {
    uint32_t value2;
    uint32_t value1600;
    uint64_t value10M;
};
static_assert(offsetof(QuickSetInfo, value1600) == 4);
static_assert(offsetof(QuickSetInfo, value10M) == 8);
static_assert(sizeof(QuickSetInfo) == 16);

// Given to InitProc.
using ChannelSetupFn = int32_t (*)(void* handle, int32_t channel, int32_t code);
using ChannelEnableFn = int32_t (*)(void* handle, int32_t channel);
struct HostInitContext {
    void* Handle;
    ChannelSetupFn ChannelSetup;
    ChannelEnableFn ChannelEnable;
};
static_assert(offsetof(HostInitContext, ChannelSetup) == 8);
static_assert(offsetof(HostInitContext, ChannelEnable) == 16);

// A host object that keeps packet streams itself (DecodeProc, ReportProc). Stream id 1 is the
// word stream (u32 entries), stream id 0 the position stream (i64 entries).
struct PacketStoreHost {
    void* Handle;
    void* hostSlot8;
    void (*Close)(void* handle, uint32_t streamId);
    void (*Reset)(void* handle, uint32_t streamId);
    void* hostSlot32;
    int32_t (*LastIndex)(void* handle, uint32_t streamId);
    void* hostSlot48;
    void (*Append)(void* handle, uint32_t streamId, const void* value);
};
static_assert(offsetof(PacketStoreHost, Close) == 16);
static_assert(offsetof(PacketStoreHost, Reset) == 24);
static_assert(offsetof(PacketStoreHost, LastIndex) == 40);
static_assert(offsetof(PacketStoreHost, Append) == 56);
static_assert(sizeof(PacketStoreHost) == 64);

inline constexpr uint32_t kWordStreamId = 1;
inline constexpr uint32_t kPositionStreamId = 0;

}  // namespace hdmi
