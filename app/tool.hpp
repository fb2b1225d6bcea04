#pragma once

#include "app/tool_state.hpp"
#include "app/window.hpp"
#include "platform/random.hpp"
#include "platform/services.hpp"

namespace ywf {

// Every platform service the handlers reach, built once by main() (or by a test).
struct Platform {
    FileService& files;
    OpenFileDialog& openDialog;  // 通用对话框1
    FolderDialog& folderDialog;
    MessageService& messages;
    Clock& clock;
    RandomGenerator& random;
    LinkOpener& link;
    Player& player;
    HotkeyService& hotkeys;
};

// The context of every handler: the one tool state, the main window and the platform.
struct Tool {
    ToolState& state;
    Window& window;
    Platform& platform;
};

// The two message forms of the tool: a warning (kind 48, title "警告") and an
// information message (kind 64, default title).
void showWarning(Tool& tool, const std::string& text);
void showInformation(Tool& tool, const std::string& text, const std::string& title = {});

}  // namespace ywf
