#pragma once

#include "platform/services.hpp"

namespace ywf {

// Hands a link to the desktop through QDesktopServices. GUI thread only.
class QtLinkOpener final : public LinkOpener {
  public:
    void openLink(const std::string& link) override;
};

}  // namespace ywf
