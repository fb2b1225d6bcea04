#pragma once

// The handlers of the main window's events. Each takes the Tool context and runs on the
// GUI thread, to its end, one at a time.

#include <cstdint>
#include <string>

#include "app/tool.hpp"

namespace ywf {

// Mode switch and equal-parts box.
void selectMp3Mode(Tool& tool);     // click of 单选框1
void selectTxtMode(Tool& tool);     // click of 单选框2
void toggleEqualParts(Tool& tool);  // click of 选择框1 (the box has already flipped)
void setRandomBackground(Tool& tool);

// Lifecycle: the window's created and will-be-destroyed events.
void onWindowCreated(Tool& tool);          // background colour, then the hotkeys
void onWindowWillBeDestroyed(Tool& tool);  // releases the hotkeys

// Loading (intake/).
void openSourceFile(Tool& tool);    // click of 按钮1
void unloadSourceFile(Tool& tool);  // click of 按钮3
std::string fileExtension(const std::string& path);

// Cutting (split/).
void cutCommand(Tool& tool);  // click of 按钮2

// Audition (audition/).
void playCommand(Tool& tool);    // "p播放(和p)"
void stopCommand(Tool& tool);    // "t停止(和t)"
void pauseCommand(Tool& tool);   // "z暂停(和z)"
void resumeCommand(Tool& tool);  // "j继续播放(和j)"
void onPositionReport(Tool& tool, std::int32_t param1, std::int32_t param2);  // 标签1
void registerHotkeys(Tool& tool);
void releaseHotkeys(Tool& tool);
void onHotkey(Tool& tool, std::int32_t param1, std::int32_t param2);  // 标签2

// Information (info/).
void showHelp(Tool& tool);         // "s说明(和s)"
void openContactLink(Tool& tool);  // click of 按钮4

}  // namespace ywf
