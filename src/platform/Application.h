// Stand-in for the UI framework's application object and module state: the plug-in's application
// object starts when the library is loaded and shuts down when it is unloaded.
#pragma once

namespace hdmi::platform {

class CWinApp {
  public:
    virtual ~CWinApp() = default;
    virtual bool InitInstance() { return true; }
    virtual int ExitInstance() { return 0; }
};

// Runs the application's InitInstance when constructed (library load) and its ExitInstance when
// destroyed (library unload). Defined right after the application object, in the same file, so
// that the two are built and torn down in that order.
class ModuleLifetime {
  public:
    explicit ModuleLifetime(CWinApp& app);
    ~ModuleLifetime();
    ModuleLifetime(const ModuleLifetime&) = delete;
    ModuleLifetime& operator=(const ModuleLifetime&) = delete;

  private:
    CWinApp& app_;
};

// Switches the framework's module state to the plug-in's module for the life of the guard.
class ModuleStateGuard {
  public:
    ModuleStateGuard();
    ~ModuleStateGuard();
    ModuleStateGuard(const ModuleStateGuard&) = delete;
    ModuleStateGuard& operator=(const ModuleStateGuard&) = delete;
};

// Depth of active guards (0 outside every export); lets tests see that a guard was taken.
int ModuleStateDepth();

}  // namespace hdmi::platform
