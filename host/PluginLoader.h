// Loads the plug-in library the way a host does: by path, resolving its entry points by name.
// Nothing else of the library is linked or called.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "plugin/Exports.h"

#ifndef HDMI_PLUGIN_DEFAULT_PATH
#define HDMI_PLUGIN_DEFAULT_PATH "HDMI_EDID.so"
#endif

namespace hdmi::host {

// The fourteen entry points, all resolved.
struct PluginExports {
    abi::GetPluginInfoFn GetPluginInfo = nullptr;
    abi::SetMsgInfoFn SetMsgInfo = nullptr;
    abi::InitProcFn InitProc = nullptr;
    abi::DefaultSettingsFn DefaultSettings = nullptr;
    abi::ConfigDialogFn ConfigDialog = nullptr;
    abi::AnalysisFn Analysis = nullptr;
    abi::DecodeProcFn DecodeProc = nullptr;
    abi::ReportProcFn ReportProc = nullptr;
    abi::DataConvFn DataConv = nullptr;
    abi::ChannelNameFn ChannelName = nullptr;
    abi::GetReportColumnStrFn GetReportColumnStr = nullptr;
    abi::GetQuickSetInfoFn GetQuickSetInfo = nullptr;
    abi::DrawItFn DrawIt = nullptr;
    abi::DrawItFn DeleteNotify = nullptr;
};

class PluginError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One loaded plug-in. Loading the same path twice gives the same object while it is alive, as
// the module (and the one shared decoder inside it) exists once per process anyway.
//
// On load the plug-in gets a private temporary folder (SetMsgInfo code 0), created here and
// removed after the library is unloaded: the plug-in binds its packet files to the folder on its
// first decode and keeps them until unload, so the folder has to live exactly as long as the
// module.
class Plugin {
  public:
    // Throws PluginError naming the path and the dlerror text, or the first missing export.
    static std::shared_ptr<Plugin> Load(const std::string& path = HDMI_PLUGIN_DEFAULT_PATH);
    // The same without exceptions: null and `error` filled on failure.
    static std::shared_ptr<Plugin> TryLoad(const std::string& path, std::string& error);

    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    const PluginExports& Exports() const { return exports_; }
    const PluginExports* operator->() const { return &exports_; }
    const std::string& Path() const { return path_; }
    // The folder given to SetMsgInfo code 0 at load, with a trailing '/'.
    const std::string& TempFolder() const { return tempFolder_; }

  private:
    Plugin() = default;
    static std::shared_ptr<Plugin> Open(const std::string& path);

    void* handle_ = nullptr;
    std::string path_;
    std::string tempFolder_;
    PluginExports exports_;
};

}  // namespace hdmi::host
