#pragma once

#include "platform/services.hpp"

namespace ywf {

// Message boxes over QMessageBox (objectName "messageBox"): a warning icon for kind 48,
// an information icon for kind 64, one OK button, application-modal and without an
// owner. The text is plain text, so '\n' breaks the line and '<' in a path stays a
// character. GUI thread only.
class QtMessageService final : public MessageService {
  public:
    void showMessage(const std::string& text, MessageKind kind, const std::string& title) override;
};

}  // namespace ywf
