#include "app/handlers.hpp"
#include "app/texts.hpp"

namespace ywf {
namespace {

// The messaging client's chat link; the scheme and both accounts are build options.
constexpr const char* kChatLinkPrefix = YWF_CONTACT_SCHEME "://message/?uin=";
constexpr const char* kFirstContact = YWF_CONTACT_FIRST;
constexpr const char* kSecondContact = YWF_CONTACT_SECOND;

}  // namespace

void showHelp(Tool& tool) {
    showInformation(tool, texts::helpText, texts::helpTitle);
}

void openContactLink(Tool& tool) {
    RandomGenerator& random = tool.platform.random;
    random.seed(tool.platform.clock.tickCount());
    const std::int32_t pick = random.draw(1, 2);
    const std::string link =
        std::string(kChatLinkPrefix) + (pick == 1 ? kFirstContact : kSecondContact);
    tool.platform.link.openLink(link);
}

}  // namespace ywf
