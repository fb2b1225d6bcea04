#pragma once

#include "app/tool.hpp"

namespace ywf {

class MainWindow;

// Binds every event of the window to its handler (app/handlers.hpp): the clicks, the
// menu items, the two labels' feedback events and the will-be-destroyed event. The
// created event is not an event of the Qt window; main() runs onWindowCreated itself.
void bindEvents(MainWindow& window, Tool& tool);

}  // namespace ywf
