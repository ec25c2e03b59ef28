#include "PluginLoader.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <vector>

#include "HostSystem.h"

namespace hdmi::host {

namespace {

std::mutex gRegistryMutex;
std::map<std::string, std::weak_ptr<Plugin>>& Registry() {
    static std::map<std::string, std::weak_ptr<Plugin>> registry;
    return registry;
}

std::string RegistryKey(const std::string& path) {
    std::error_code error;
    auto canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path : canonical.string();
}

std::string MakeTempFolder() {
    try {
        return system::MakePrivateTempFolder();
    } catch (const std::runtime_error& e) {
        throw PluginError(e.what());
    }
}

template <class Fn>
void Resolve(void* handle, const std::string& path, const char* name, Fn& slot) {
    std::string error;
    void* symbol = system::LibrarySymbol(handle, name, error);
    if (!symbol) throw PluginError("plug-in " + path + " lacks the export " + name + " (" + error + ")");
    slot = reinterpret_cast<Fn>(symbol);
}

}  // namespace

std::shared_ptr<Plugin> Plugin::Open(const std::string& path) {
    std::shared_ptr<Plugin> plugin(new Plugin());
    plugin->path_ = path;
    std::string error;
    plugin->handle_ = system::OpenLibrary(path, error);
    if (!plugin->handle_) throw PluginError("cannot load plug-in " + path + ": " + error);
    // On a throw below the destructor closes the library again.
    PluginExports& e = plugin->exports_;
    Resolve(plugin->handle_, path, "GetPluginInfo", e.GetPluginInfo);
    Resolve(plugin->handle_, path, "SetMsgInfo", e.SetMsgInfo);
    Resolve(plugin->handle_, path, "InitProc", e.InitProc);
    Resolve(plugin->handle_, path, "DefaultSettings", e.DefaultSettings);
    Resolve(plugin->handle_, path, "ConfigDialog", e.ConfigDialog);
    Resolve(plugin->handle_, path, "Analysis", e.Analysis);
    Resolve(plugin->handle_, path, "DecodeProc", e.DecodeProc);
    Resolve(plugin->handle_, path, "ReportProc", e.ReportProc);
    Resolve(plugin->handle_, path, "DataConv", e.DataConv);
    Resolve(plugin->handle_, path, "ChannelName", e.ChannelName);
    Resolve(plugin->handle_, path, "GetReportColumnStr", e.GetReportColumnStr);
    Resolve(plugin->handle_, path, "GetQuickSetInfo", e.GetQuickSetInfo);
    Resolve(plugin->handle_, path, "DrawIt", e.DrawIt);
    Resolve(plugin->handle_, path, "DeleteNotify", e.DeleteNotify);

    plugin->tempFolder_ = MakeTempFolder();
    std::vector<char> folder(plugin->tempFolder_.begin(), plugin->tempFolder_.end());
    folder.push_back('\0');
    e.SetMsgInfo(0, folder.data());
    return plugin;
}

std::shared_ptr<Plugin> Plugin::Load(const std::string& path) {
    std::lock_guard lock(gRegistryMutex);
    const std::string key = RegistryKey(path);
    if (auto alive = Registry()[key].lock()) return alive;
    auto plugin = Open(path);
    Registry()[key] = plugin;
    return plugin;
}

std::shared_ptr<Plugin> Plugin::TryLoad(const std::string& path, std::string& error) {
    try {
        return Load(path);
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
}

Plugin::~Plugin() {
    // The plug-in deletes its packet files when it is unloaded; the folder goes after it.
    system::CloseLibrary(handle_);
    if (!tempFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(tempFolder_, ignored);
    }
}

}  // namespace hdmi::host
