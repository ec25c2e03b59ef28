// The plug-in's exported entry points: the only C-linkage surface of the library. A host
// resolves them by name; the function-pointer types below let our stand-in host do the same.
#pragma once

#include <cstdint>

#include "plugin/HostRecords.h"

#if defined(_WIN32)
#define HDMI_EDID_EXPORT __declspec(dllexport)
#else
#define HDMI_EDID_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
HDMI_EDID_EXPORT int32_t GetPluginInfo(hdmi::PluginInfo* info);
HDMI_EDID_EXPORT void SetMsgInfo(uint32_t code, void* data);
HDMI_EDID_EXPORT int32_t InitProc(void* unused, hdmi::HostInitContext* init);
HDMI_EDID_EXPORT int32_t DefaultSettings(hdmi::HostDecodeContext* context);
HDMI_EDID_EXPORT void ConfigDialog(hdmi::HostDecodeContext* context);
HDMI_EDID_EXPORT uint32_t Analysis(hdmi::HostDecodeContext* context);
HDMI_EDID_EXPORT uint8_t DecodeProc(hdmi::HostDecodeContext* context, hdmi::PacketStoreHost* store);
HDMI_EDID_EXPORT int32_t ReportProc(hdmi::HostDecodeContext* context, hdmi::PacketStoreHost* store);
HDMI_EDID_EXPORT int32_t DataConv(hdmi::HostDecodeContext* context, const uint32_t* item, char* text,
                                  int32_t textSize);
HDMI_EDID_EXPORT int32_t ChannelName(hdmi::HostDecodeContext* context, int32_t channel, char* buffer,
                                     int32_t size);
HDMI_EDID_EXPORT int32_t GetReportColumnStr(void* unused, char* buffer, int32_t size);
HDMI_EDID_EXPORT int32_t GetQuickSetInfo(hdmi::QuickSetInfo* info);
HDMI_EDID_EXPORT int32_t DrawIt();
HDMI_EDID_EXPORT int32_t DeleteNotify();
}

namespace hdmi::abi {
using GetPluginInfoFn = int32_t (*)(PluginInfo*);
using SetMsgInfoFn = void (*)(uint32_t, void*);
using InitProcFn = int32_t (*)(void*, HostInitContext*);
using DefaultSettingsFn = int32_t (*)(HostDecodeContext*);
using ConfigDialogFn = void (*)(HostDecodeContext*);
using AnalysisFn = uint32_t (*)(HostDecodeContext*);
using DecodeProcFn = uint8_t (*)(HostDecodeContext*, PacketStoreHost*);
using ReportProcFn = int32_t (*)(HostDecodeContext*, PacketStoreHost*);
using DataConvFn = int32_t (*)(HostDecodeContext*, const uint32_t*, char*, int32_t);
using ChannelNameFn = int32_t (*)(HostDecodeContext*, int32_t, char*, int32_t);
using GetReportColumnStrFn = int32_t (*)(void*, char*, int32_t);
using GetQuickSetInfoFn = int32_t (*)(QuickSetInfo*);
using DrawItFn = int32_t (*)();
}  // namespace hdmi::abi
