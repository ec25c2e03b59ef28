// The plug-in's application object: it owns the one shared decoder that Analysis uses, from
// library load to library unload.
#pragma once

#include <memory>

#include "platform/Application.h"

namespace hdmi {

class CDdcDecoder;

class CHDMI_EDIDApp : public platform::CWinApp {
  public:
    bool InitInstance() override;
    int ExitInstance() override;

    CDdcDecoder* SharedDecoder() const { return decoder_.get(); }

  private:
    std::unique_ptr<CDdcDecoder> decoder_;
};

CHDMI_EDIDApp& TheApp();

}  // namespace hdmi
