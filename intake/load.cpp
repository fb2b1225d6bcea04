#include "app/handlers.hpp"
#include "app/texts.hpp"

namespace ywf {

std::string fileExtension(const std::string& path) {
    const std::int32_t length = textLength(path);
    const std::int32_t dot = textFindLast(path, ".");
    return textTail(path, length - dot);
}

void openSourceFile(Tool& tool) {
    ToolState& state = tool.state;
    Window& window = tool.window;
    OpenFileDialog& dialog = tool.platform.openDialog;

    state.clearSource();
    const bool txtMode = window.isPlayItemDisabled();
    dialog.setTitle(txtMode ? texts::txtDialogTitle : texts::mp3DialogTitle);
    dialog.setFilter(txtMode ? texts::txtFilter : texts::mp3Filter);
    if (!dialog.open()) return;

    const std::string extension = fileExtension(dialog.fileName());
    const bool accepted = txtMode ? (textEquals(extension, "txt") || textEquals(extension, "TXT"))
                                  : (textEquals(extension, "mp3") || textEquals(extension, "MP3"));
    if (!accepted) {
        showWarning(tool, txtMode ? texts::txtRefused : texts::mp3Refused);
        state.sourcePath.clear();
        return;
    }

    const std::string path = dialog.fileName();
    ReadResult read = tool.platform.files.readWholeFile(path);
    if (!read.ok()) {
        // A file that cannot be had whole is not loaded: the tool stays unloaded and the
        // controls stay as they were, so the user can pick another file.
        switch (read.error) {
            case ReadError::tooLarge:
                showWarning(tool, texts::tooLarge);
                break;
            case ReadError::noMemory:
                showWarning(tool, texts::noMemory);
                break;
            default:
                showWarning(tool, texts::cannotRead);
                break;
        }
        return;
    }
    state.sourcePath = path;
    state.sourceBytes = std::move(read.bytes);

    window.setControlEnabled(Control::radio1, false);
    window.setControlEnabled(Control::radio2, false);
    window.setControlEnabled(Control::check1, false);
}

void unloadSourceFile(Tool& tool) {
    Window& window = tool.window;
    window.setControlEnabled(Control::radio1, true);
    window.setControlEnabled(Control::radio2, true);
    window.setControlEnabled(Control::button1, true);
    window.setControlEnabled(Control::check1, true);
    tool.state.clearSource();
    tool.state.workSlots[markStart] = 1;
    tool.state.workSlots[markEnd] = 1;
}

}  // namespace ywf
