#include <cmath>
#include <limits>

#include "app/handlers.hpp"
#include "app/texts.hpp"
#include "split/procedures.hpp"

namespace ywf {
namespace {

// The entry passes when |x| >= 2 (with the 1e-07 tolerance) and its whole part fits the
// 32-bit count: a larger number is refused rather than wrapped into a count of 0 or less.
bool entryIsValid(double x) {
    const double magnitude = std::fabs(x);
    return atLeast(magnitude, 2.0) &&
           std::trunc(magnitude) <= double(std::numeric_limits<std::int32_t>::max());
}

}  // namespace

void cutCommand(Tool& tool) {
    ToolState& state = tool.state;
    WorkSlots& slots = state.workSlots;
    Window& window = tool.window;

    if (!state.sourceLoaded()) {
        showWarning(tool, texts::notLoaded);
        return;
    }
    const bool equalParts = window.isChecked(Control::check1);
    const bool txtMode = window.isPlayItemDisabled();
    if (equalParts || txtMode) {
        if (!entryIsValid(textToNumber(window.editText()))) {
            showWarning(tool, texts::badNumber);
            return;
        }
    }
    slots.store(splitCount, std::trunc(std::fabs(textToNumber(window.editText()))));

    if (!equalParts && txtMode) {
        const std::int64_t textBytes = bytesToTextView(state.sourceBytes.view()).size();
        if (textBytes < slots[splitCount]) {
            showWarning(tool, texts::tooLong);
            return;
        }
    }

    state.outputFolder = tool.platform.folderDialog.chooseFolder(texts::folderTitle);
    if (state.outputFolder.empty()) return;
    if (state.outputFolder.back() != '/') state.outputFolder += "/";

    slots[nameSeparatorPos] = textFindLast(state.sourcePath, "/");
    state.sourceName =
        textTail(state.sourcePath, textLength(state.sourcePath) - slots[nameSeparatorPos]);

    WriteOutcome failed;
    if (window.isChecked(Control::check1)) {
        slots[partSize] = bytesLength(state.sourceBytes.view()) / slots[splitCount];
        failed = splitEqualParts(state, tool.platform.files);
    } else if (window.isPlayItemDisabled()) {
        failed = splitTextInTwo(state, tool.platform.files);
    } else {
        failed = cutMp3Segment(state, tool.platform.files, tool.platform.clock);
    }
    if (failed) {
        // Nothing is reset: the file stays loaded and whole and the marks keep their
        // values, so the user can try again with another folder.
        showWarning(tool, texts::writeFailedLead + *failed + texts::writeFailedTail);
        return;
    }

    slots[markStart] = 0;
    slots[markEnd] = 0;
    state.clearSource();
    showInformation(tool, texts::success);
}

}  // namespace ywf
