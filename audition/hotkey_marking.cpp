#include <algorithm>
#include <array>
#include <cmath>

#include "app/handlers.hpp"
#include "audition/cues.hpp"
#include "platform/audio/mp3_scan.hpp"

namespace ywf {
namespace {

constexpr std::int32_t kShift = 2;

struct HotkeyRow {
    Slot slot;
    std::int32_t keyCode;
};

// Registration order: Shift+W, Shift+R, Shift+U, Shift+O.
constexpr std::array<HotkeyRow, 4> kHotkeys = {{
    {hotkeyBack, 87},
    {hotkeyForward, 82},
    {hotkeyMarkStart, 85},
    {hotkeyMarkEnd, 79},
}};

bool playing(Tool& tool) {
    return tool.platform.player.mp3PlayState() == 1;
}

// The byte offset of a mark at `percent`: where the player starts playing at that
// percent when the file's seek table steers it, so the cut holds what was heard there;
// otherwise percent × L / 100 with the fraction dropped.
std::int32_t markFor(const ToolState& state, std::int32_t percent) {
    const ByteView bytes = state.sourceBytes.view();
    if (const auto offset = mp3::tocStartOffset(bytes, percent)) {
        return toWholeNumber(double(*offset));
    }
    return toWholeNumber(std::trunc(double(percent) * double(bytesLength(bytes)) / 100.0));
}

void seekTo(Tool& tool, std::int32_t percent) {
    tool.state.workSlots[seekPercent] = percent;
    tool.platform.player.playMp3(tool.state.sourcePath, tool.state.workSlots[seekPercent],
                                 tool.window.label1());
}

}  // namespace

void registerHotkeys(Tool& tool) {
    for (const HotkeyRow& row : kHotkeys) {
        tool.state.workSlots[row.slot] =
            tool.platform.hotkeys.registerHotkey(tool.window.label2(), kShift, row.keyCode);
    }
}

void releaseHotkeys(Tool& tool) {
    for (const HotkeyRow& row : kHotkeys) {
        tool.platform.hotkeys.unregisterHotkey(tool.state.workSlots[row.slot]);
    }
}

// Each test stands alone; the play state is asked only when the identifier matches.
void onHotkey(Tool& tool, std::int32_t id, std::int32_t /*param2*/) {
    WorkSlots& slots = tool.state.workSlots;
    if (id == slots[hotkeyBack] && playing(tool)) {
        seekTo(tool, std::max(slots[playPercent] - 1, 0));
    }
    if (id == slots[hotkeyForward] && playing(tool)) {
        seekTo(tool, std::min(slots[playPercent] + 1, 100));
    }
    if (id == slots[hotkeyMarkStart] && playing(tool)) {
        slots[markStart] = markFor(tool.state, slots[playPercent]);
        tool.platform.player.playSoundBytes(markStartCue());
    }
    if (id == slots[hotkeyMarkEnd] && playing(tool)) {
        slots[markEnd] = markFor(tool.state, slots[playPercent]);
        tool.platform.player.playSoundBytes(markEndCue());
    }
}

}  // namespace ywf
