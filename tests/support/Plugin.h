// A test fixture that drives the built plug-in through its exports, as a host does.
//
//   class MyTest : public hdmi::test::PluginTest {};
//   TEST_F(MyTest, Something) {
//       const uint32_t entries = Analyze(BusSynth(1'000'000, 100'000).start().byte(0xA0).stop().Build());
//       ... session().Packets() ... session().LastReport().Rows() ...
//   }
//
// The library is loaded once per test program (HDMI_PLUGIN_DEFAULT_PATH) and stays loaded; each
// test gets a fresh session with InitProc and DefaultSettings done and the report collected
// through the line sink.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "BusSynth.h"
#include "PluginLoader.h"
#include "Session.h"

namespace hdmi::test {

// The loaded plug-in, or null with `error` set.
inline std::shared_ptr<host::Plugin> LoadedPlugin(std::string* error = nullptr) {
    static std::string loadError;
    static std::shared_ptr<host::Plugin> plugin = host::Plugin::TryLoad(HDMI_PLUGIN_DEFAULT_PATH, loadError);
    if (error) *error = loadError;
    return plugin;
}

class PluginTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        plugin_ = LoadedPlugin(&error);
        ASSERT_TRUE(plugin_) << error;
        session_ = NewSession();
    }

    // A session with the plug-in's channels set up and its default settings.
    std::unique_ptr<host::Session> NewSession(host::ReportOutput output = host::ReportOutput::Sink) const {
        auto session = std::make_unique<host::Session>(plugin_);
        session->Init();
        session->Defaults();
        session->SetReportOutput(output);
        return session;
    }

    host::Session& session() { return *session_; }
    const host::Capture& capture() const { return capture_; }
    host::Plugin& plugin() { return *plugin_; }

    // Keeps the capture for the session and runs Analysis on it.
    uint32_t Analyze(host::Capture capture) {
        capture_ = std::move(capture);
        session_->SetCapture(capture_);
        return session_->Analyze();
    }

    std::shared_ptr<host::Plugin> plugin_;
    std::unique_ptr<host::Session> session_;
    host::Capture capture_;
};

}  // namespace hdmi::test
