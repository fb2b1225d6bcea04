#include "app/handlers.hpp"

namespace ywf {

void playCommand(Tool& tool) {
    if (!tool.state.sourceLoaded()) return;
    tool.platform.player.playMp3(tool.state.sourcePath, 0, tool.window.label1());
}

void stopCommand(Tool& tool) {
    tool.platform.player.stopPlaying();
}

void pauseCommand(Tool& tool) {
    Player& player = tool.platform.player;
    if (player.mp3PlayState() == 1) player.pauseMp3();
}

void resumeCommand(Tool& tool) {
    Player& player = tool.platform.player;
    if (player.mp3PlayState() == -1) player.resumeMp3();
}

void onPositionReport(Tool& tool, std::int32_t param1, std::int32_t /*param2*/) {
    if (param1 >= 0) tool.state.workSlots[playPercent] = param1;
}

}  // namespace ywf
