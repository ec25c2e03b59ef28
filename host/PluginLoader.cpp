#include "PluginLoader.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <vector>

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
    const char* base = getenv("TMPDIR");
    std::string pattern = (base && *base) ? base : "/tmp";
    if (pattern.back() != '/') pattern += '/';
    pattern += "hdmiddc-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) throw PluginError("cannot create a temporary folder from " + pattern);
    return std::string(buffer.data()) + "/";
}

template <class Fn>
void Resolve(void* handle, const std::string& path, const char* name, Fn& slot) {
    dlerror();
    void* symbol = dlsym(handle, name);
    const char* error = dlerror();
    if (!symbol || error) {
        std::string message = "plug-in " + path + " lacks the export " + name;
        if (error) message += std::string(" (") + error + ")";
        throw PluginError(message);
    }
    slot = reinterpret_cast<Fn>(symbol);
}

}  // namespace

std::shared_ptr<Plugin> Plugin::Open(const std::string& path) {
    std::shared_ptr<Plugin> plugin(new Plugin());
    plugin->path_ = path;
    dlerror();
    plugin->handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!plugin->handle_) {
        const char* error = dlerror();
        throw PluginError("cannot load plug-in " + path + ": " + (error ? error : "unknown error"));
    }
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
    if (handle_) dlclose(handle_);
    if (!tempFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(tempFolder_, ignored);
    }
}

}  // namespace hdmi::host
