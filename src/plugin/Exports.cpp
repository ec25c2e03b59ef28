// The exported entry points. This is the only C-linkage code of the library: fixed-width types,
// fixed-layout records, and no exception crosses it.
#include "plugin/Exports.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "ddc/DdcDecoder.h"
#include "i2c/PacketLabels.h"
#include "platform/Application.h"
#include "plugin/App.h"
#include "plugin/Colors.h"
#include "plugin/HostInfoStore.h"
#include "plugin/Settings.h"
#include "ui/SettingsDialog.h"

using namespace hdmi;

namespace {

// Handed to the host by GetPluginInfo: six values followed directly by the channel role names.
struct alignas(8) PluginLayoutBlock {
    int32_t values[6];
    const char* roles[2];
};
static_assert(offsetof(PluginLayoutBlock, roles) == 24);
constinit const PluginLayoutBlock kPluginLayoutBlock = {{90, 150, 500, 500, 0, 0}, {"SCL", "SDA"}};
constexpr const char* const* kChannelRoles = kPluginLayoutBlock.roles;

template <typename Body>
auto Guarded(Body body) noexcept -> decltype(body()) {
    platform::ModuleStateGuard guard;
    try {
        return body();
    } catch (...) {
        return decltype(body()){};
    }
}

}  // namespace

extern "C" {

int32_t GetPluginInfo(PluginInfo* info) {
    return Guarded([&]() -> int32_t {
        std::memset(info, 0, sizeof *info);
        info->recordSize = sizeof(PluginInfo);
        info->value512 = 512;
        info->flags = 0x400000DC;
        info->value6 = 6;
        info->minusOne = -1;
        std::snprintf(info->name, sizeof info->name, "%s", "DDC(EDID)");
        info->layoutBlock = &kPluginLayoutBlock;
        return 1;
    });
}

void SetMsgInfo(uint32_t code, void* data) {
    StoreHostInfo(code, data);
}

int32_t InitProc(void* /*unused*/, HostInitContext* init) {
    return Guarded([&]() -> int32_t {
        if (init != nullptr) {
            if (init->ChannelSetup != nullptr) {
                init->ChannelSetup(init->Handle, 0, 8);
                init->ChannelSetup(init->Handle, 1, 4);
            }
            if (init->ChannelEnable != nullptr) {
                init->ChannelEnable(init->Handle, 0);
                init->ChannelEnable(init->Handle, 1);
            }
        }
        return 1;
    });
}

int32_t DefaultSettings(HostDecodeContext* context) {
    return Guarded([&]() -> int32_t {
        ui::ApplyRecordDefaults(*context);
        return 1;
    });
}

void ConfigDialog(HostDecodeContext* context) {
    Guarded([&]() -> int {
        ui::RunConfigDialog(*context);
        return 0;
    });
}

uint32_t Analysis(HostDecodeContext* context) {
    return Guarded([&]() -> uint32_t {
        CDdcDecoder* decoder = TheApp().SharedDecoder();
        if (decoder == nullptr || context == nullptr) return 0;
        // Releases the views handed out by the previous call, even if this one fails.
        decoder->words.Reset();
        decoder->positions.Reset();
        if (!decoder->DecodeBus(*context)) return 0;
        if (decoder->words.Count() == 0 || decoder->positions.Count() == 0) return 0;
        decoder->words.Finish();
        context->PacketWordsView = decoder->words.MutableView();
        decoder->positions.Finish();
        context->PacketPositionsView = decoder->positions.MutableView();
        if (decoder->words.Failed() || decoder->positions.Failed()) return 0;
        if (context->ReportName[0] != '\0') decoder->RunReport(*context);
        context->Progress = 1000;
        return static_cast<uint32_t>(decoder->positions.Count());
    });
}

uint8_t DecodeProc(HostDecodeContext* context, PacketStoreHost* store) {
    return Guarded([&]() -> uint8_t {
        auto decoder = std::unique_ptr<CDdcDecoder>(new (std::nothrow) CDdcDecoder());
        if (!decoder) return 0;
        decoder->AttachHostStore(store);
        return decoder->DecodeBus(*context) ? 1 : 0;
    });
}

int32_t ReportProc(HostDecodeContext* context, PacketStoreHost* store) {
    return Guarded([&]() -> int32_t {
        auto decoder = std::unique_ptr<CDdcDecoder>(new (std::nothrow) CDdcDecoder());
        if (!decoder) return 1;
        decoder->AttachHostStore(store);
        decoder->RunReport(*context);
        return 1;
    });
}

int32_t DataConv(HostDecodeContext* context, const uint32_t* item, char* text, int32_t textSize) {
    return Guarded([&]() -> int32_t {
        const CDdcDecoder* shared = TheApp().SharedDecoder();
        const bool eightBit = shared != nullptr && shared->eightBitAddress;
        bool isIdle = false;
        const int32_t colourClass = LabelPacket(*context, item, text, textSize, eightBit, isIdle);
        if (colourClass == -1) {
            context->LabelColorMode = 0;
        } else {
            uint32_t index = kUnslottedColorIndex;
            if (colourClass >= 0 && colourClass <= 9)
                index = ColorIndexOfSlot(context->ColorSlotsLow, context->ColorSlotsHigh,
                                         kPacketColorSlot[colourClass]);
            context->LabelColorMode = 24;
            context->LabelFillColor = kLabelFillColors[index];
            context->LabelTextColor = kLabelTextColors[index];
        }
        return isIdle ? 0 : 1;
    });
}

int32_t ChannelName(HostDecodeContext* context, int32_t channel, char* buffer, int32_t size) {
    return Guarded([&]() -> int32_t {
        if (buffer == nullptr || size <= 0 || channel < 0 || channel > 1) return 1;
        char number[64];
        number[0] = ' ';
        FormatChannelNumber(context->HostFlags, context->ChannelMap[channel], number + 1, sizeof number - 1);
        std::snprintf(buffer, static_cast<size_t>(size), "%s %s", number, kChannelRoles[channel]);
        return 1;
    });
}

int32_t GetReportColumnStr(void* /*unused*/, char* buffer, int32_t size) {
    if (buffer == nullptr || size <= 0) return 1;
    std::snprintf(buffer, static_cast<size_t>(size), "%s", "clock");
    size_t length = std::strlen(buffer);
    for (const char* const* title = kReportColumns; *title != nullptr; ++title) {
        const size_t needed = length + 1 + std::strlen(*title) + 1;
        if (needed > static_cast<size_t>(size)) break;
        buffer[length++] = ',';
        std::memcpy(buffer + length, *title, std::strlen(*title) + 1);
        length += std::strlen(*title);
    }
    return 1;
}

int32_t GetQuickSetInfo(QuickSetInfo* info) {
    return Guarded([&]() -> int32_t {
        info->value2 = 2;
        info->value1600 = 1600;
        info->value10M = 10000000;
        return 1;
    });
}

int32_t DrawIt() {
    platform::ModuleStateGuard guard;
    return 1;
}

// The host knows this entry point by a second name; it is the same code.
int32_t DeleteNotify() __attribute__((alias("DrawIt")));

}  // extern "C"
