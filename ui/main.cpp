// The tool's entry point: builds the platform and the window, binds the events, runs.

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>
#include <csignal>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

#include "app/handlers.hpp"
#include "app/tool_state.hpp"
#include "platform/audio/audio_output.hpp"
#include "platform/audio/mp3_player.hpp"
#include "platform/posix_files.hpp"
#include "platform/qt/file_dialogs.hpp"
#include "platform/qt/link_opener.hpp"
#include "platform/qt/message_box.hpp"
#include "platform/random.hpp"
#include "platform/system_clock.hpp"
#include "platform/x11/x11_hotkeys.hpp"
#include "ui/bind_events.hpp"
#include "ui/deferred_player.hpp"
#include "ui/main_window.hpp"
#include "ui/startup_probe.hpp"

namespace {

int signalPipe[2] = {-1, -1};

void onTerminatingSignal(int) {
    const char byte = 1;
    (void)!::write(signalPipe[1], &byte, 1);
}

// Ctrl+C and SIGTERM close the window, so the run ends through the usual shut-down.
void closeOnSignals(ywf::MainWindow& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte;
        (void)!::read(signalPipe[0], &byte, 1);
        window.close();
        QApplication::quit();  // also ends a dialog's loop if one is open
    });
    struct sigaction action {};
    action.sa_handler = onTerminatingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

// Runs `start` from the event loop once the window has been exposed for the first time.
void startAfterFirstExpose(QWidget& window, std::function<void()> start) {
    struct Watch final : QObject {
        std::function<void()> start;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Expose && start) {
                watched->removeEventFilter(this);
                QTimer::singleShot(0, this, [this] {
                    auto run = std::move(start);
                    run();
                    deleteLater();
                });
            }
            return false;
        }
    };
    auto* watch = new Watch;
    watch->start = std::move(start);
    window.windowHandle()->installEventFilter(watch);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ywf::DialogSettingsSandbox dialogSettings;
    const bool measureStartup = app.arguments().contains(QStringLiteral("--measure-startup"));

    ywf::PosixFileService files;
    ywf::SystemClock clock;
    ywf::RandomGenerator random;
    ywf::QtOpenFileDialog openDialog;
    ywf::QtFolderDialog folderDialog;
    ywf::QtMessageService messages;
    ywf::QtLinkOpener link;
    // The sound device and the player on it, made just after the window is first shown.
    struct Audio {
        ywf::AudioOutput output;
        ywf::Mp3PlayerService player{output};
    };
    std::optional<Audio> audio;
    ywf::DeferredPlayer player([&audio]() -> ywf::Player& { return audio.emplace().player; });
    ywf::X11HotkeyService hotkeys;
    ywf::Platform platform{files,  openDialog, folderDialog, messages, clock,
                           random, link,       player,       hotkeys};

    ywf::ToolState state;
    auto window = std::make_unique<ywf::MainWindow>();
    ywf::Tool tool{state, *window, platform};
    ywf::bindEvents(*window, tool);
    closeOnSignals(*window);
    if (measureStartup) ywf::measureStartupThenClose(*window);

    ywf::onWindowCreated(tool);
    window->show();
    startAfterFirstExpose(*window, [&player] { player.start(); });
    const int result = app.exec();

    // Closing ran the will-be-destroyed event and ended the loop. The exit routine
    // releases the tool state, then the player stops; the window, whose hidden label
    // receives the player's reports, goes last, once no decoder thread can post to it.
    state.release();
    player.stopPlaying();
    window.reset();
    return result;
}
