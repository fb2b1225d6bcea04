#include <array>

#include "app/handlers.hpp"

namespace ywf {
namespace {

constexpr std::array<MenuItem, 4> kPlaybackItems = {MenuItem::play, MenuItem::stop, MenuItem::pause,
                                                    MenuItem::resume};

// Background colours as 0x00BBGGRR.
constexpr std::array<std::uint32_t, 6> kBackgroundColours = {
    0x00FFA8FF, 0x0000E080, 0x0000D8D8, 0x00FF0090, 0x00ECECEC, 0x00FF8800,
};

void setPlaybackItemsEnabled(Window& window, bool enabled) {
    for (MenuItem item : kPlaybackItems) window.setMenuItemEnabled(item, enabled);
}

}  // namespace

void selectMp3Mode(Tool& tool) {
    Window& w = tool.window;
    if (!w.isPlayItemDisabled()) return;
    setPlaybackItemsEnabled(w, true);
    w.setChecked(Control::radio1, true);
    w.setChecked(Control::radio2, false);
}

void selectTxtMode(Tool& tool) {
    Window& w = tool.window;
    if (w.isPlayItemDisabled()) return;
    setPlaybackItemsEnabled(w, false);
    w.setChecked(Control::radio2, true);
    w.setChecked(Control::radio1, false);
}

void toggleEqualParts(Tool& tool) {
    const bool ticked = !tool.state.equalPartsToggle;
    tool.window.setChecked(Control::check1, ticked);
    tool.state.equalPartsToggle = ticked;
}

void setRandomBackground(Tool& tool) {
    RandomGenerator& random = tool.platform.random;
    random.seed(tool.platform.clock.tickCount());
    const std::int32_t k = random.draw(1, 6);
    tool.window.setBackgroundColour(kBackgroundColours[static_cast<std::size_t>(k - 1)]);
}

}  // namespace ywf
