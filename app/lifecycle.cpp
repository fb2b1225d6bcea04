#include "app/handlers.hpp"

namespace ywf {

void onWindowCreated(Tool& tool) {
    setRandomBackground(tool);
    registerHotkeys(tool);
}

// Releases the hotkeys and nothing else: playback goes on and no variable is reset.
void onWindowWillBeDestroyed(Tool& tool) {
    releaseHotkeys(tool);
}

}  // namespace ywf
