#include "ui/startup_probe.hpp"

#include <time.h>
#include <unistd.h>

#include <QEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "ui/main_window.hpp"

namespace ywf {
namespace {

double nowMs(clockid_t clock) {
    timespec ts{};
    ::clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Milliseconds since the process started, or -1 when that cannot be told.
double msSinceProcessStart() {
    if (const char* launch = std::getenv("YWF_LAUNCH_NS")) {
        const double launchMs = std::strtod(launch, nullptr) / 1e6;
        if (launchMs > 0) return nowMs(CLOCK_REALTIME) - launchMs;
    }
    std::ifstream stat("/proc/self/stat");
    std::string line;
    if (!std::getline(stat, line)) return -1;
    // The command name may hold spaces; fields are counted after its closing ')'.
    const auto close = line.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        if (i == 22) {
            const double ticks = double(::sysconf(_SC_CLK_TCK));
            return nowMs(CLOCK_BOOTTIME) - std::stod(field) * 1e3 / ticks;
        }
    }
    return -1;
}

long peakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

class StartupProbe final : public QObject {
  public:
    explicit StartupProbe(MainWindow& window) : QObject(&window), window_(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!done_ && event->type() == QEvent::Expose && window_.windowHandle() == watched &&
            window_.windowHandle()->isExposed()) {
            done_ = true;
            shownMs_ = msSinceProcessStart();
            // Report once the events queued behind the first exposure have run.
            QMetaObject::invokeMethod(
                this, [this] { report(); }, Qt::QueuedConnection);
        }
        return false;
    }

  private:
    void report() {
        std::printf("startup_ms=%.1f platform=%s vmhwm_kb=%ld\n", shownMs_,
                    qPrintable(QGuiApplication::platformName()), peakResidentKb());
        std::fflush(stdout);
        window_.close();
    }

    MainWindow& window_;
    bool done_ = false;  // GUI thread only
    double shownMs_ = -1;
};

}  // namespace

void measureStartupThenClose(MainWindow& window) {
    window.winId();  // creates the native window, so its first exposure can be watched
    auto* probe = new StartupProbe(window);
    window.windowHandle()->installEventFilter(probe);
}

}  // namespace ywf
