#pragma once

namespace ywf {

class MainWindow;

// For the start-up benchmark (--measure-startup): once the window is first exposed and the
// event loop has settled, prints one line
//   startup_ms=<ms from process start to exposure> platform=<qpa> vmhwm_kb=<peak RSS>
// to standard output and closes the window, which ends the run through the usual
// shut-down. Process start is taken from $YWF_LAUNCH_NS (CLOCK_REALTIME nanoseconds, set
// by the launcher just before exec) when present, otherwise from /proc/self/stat (10 ms
// resolution). Call before the window is shown.
void measureStartupThenClose(MainWindow& window);

}  // namespace ywf
