#include "app/tool.hpp"

#include "app/texts.hpp"

namespace ywf {

void showWarning(Tool& tool, const std::string& text) {
    tool.platform.messages.showMessage(text, MessageKind::warning, texts::warningTitle);
}

void showInformation(Tool& tool, const std::string& text, const std::string& title) {
    tool.platform.messages.showMessage(text, MessageKind::information, title);
}

}  // namespace ywf
