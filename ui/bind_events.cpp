#include "ui/bind_events.hpp"

#include <QAbstractButton>
#include <QAction>

#include "app/handlers.hpp"
#include "ui/main_window.hpp"

namespace ywf {
namespace {

void onClick(MainWindow& window, Control control, void (*handler)(Tool&), Tool& tool) {
    QObject::connect(window.button(control), &QAbstractButton::clicked, &window,
                     [&tool, handler] { handler(tool); });
}

void onSelect(MainWindow& window, QAction* action, void (*handler)(Tool&), Tool& tool) {
    QObject::connect(action, &QAction::triggered, &window, [&tool, handler] { handler(tool); });
}

}  // namespace

void bindEvents(MainWindow& window, Tool& tool) {
    onClick(window, Control::button1, openSourceFile, tool);
    onClick(window, Control::button2, cutCommand, tool);
    onClick(window, Control::button3, unloadSourceFile, tool);
    onClick(window, Control::button4, openContactLink, tool);
    onClick(window, Control::radio1, selectMp3Mode, tool);
    onClick(window, Control::radio2, selectTxtMode, tool);
    onClick(window, Control::check1, toggleEqualParts, tool);

    onSelect(window, window.action(MenuItem::play), playCommand, tool);
    onSelect(window, window.action(MenuItem::stop), stopCommand, tool);
    onSelect(window, window.action(MenuItem::pause), pauseCommand, tool);
    onSelect(window, window.action(MenuItem::resume), resumeCommand, tool);
    onSelect(window, window.helpAction(), showHelp, tool);

    window.feedbackLabel1().setHandler(
        [&tool](std::int32_t p1, std::int32_t p2) { onPositionReport(tool, p1, p2); });
    window.feedbackLabel2().setHandler(
        [&tool](std::int32_t p1, std::int32_t p2) { onHotkey(tool, p1, p2); });

    window.setWillBeDestroyedHandler([&tool] { onWindowWillBeDestroyed(tool); });
}

}  // namespace ywf
