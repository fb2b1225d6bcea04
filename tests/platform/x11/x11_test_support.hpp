#pragma once

// What the X11 tests need around the code under test: a private Xvfb, a second X client
// that owns a focused window (standing for "another program"), xdotool for key presses,
// and waiting on conditions while the Qt event loop runs.

#include <sys/types.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ywf::test {

// An Xvfb on a display number of its own choosing (-displayfd), so that tests running in
// parallel never meet. Ends with the object, or with the test process if that dies.
class Xvfb {
  public:
    Xvfb() = default;
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    // Starts the server and waits until it accepts clients. False with a reason on stderr.
    bool start();
    // ":N", valid after start().
    const std::string& display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

// Runs a program found on PATH with the given arguments and waits for it; true when it
// exited with status 0.
bool run(const std::vector<std::string>& argv);

// `xdotool key <keys>`, e.g. "shift+u".
bool pressKeys(const std::string& keys);

// Runs the Qt event loop until `done` holds or the timeout passes; returns `done()`.
bool waitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

struct KeyEvent {
    std::uint8_t type;  // XCB_KEY_PRESS or XCB_KEY_RELEASE
    xcb_keycode_t keycode;
    std::uint16_t state;
};

// A second connection to the server: from the server's view another program.
class OtherClient {
  public:
    // Connects to $DISPLAY; connected() tells whether that worked.
    OtherClient();
    ~OtherClient();
    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;

    bool connected() const { return connection_ != nullptr; }
    xcb_window_t root() const { return root_; }

    // Creates and maps a plain window that selects key events, and gives it the input
    // focus. True once the server reports the window as the focus.
    bool createFocusWindow();

    // The first key code whose first level is `keysym`, or 0.
    xcb_keycode_t keycodeOf(xcb_keysym_t keysym);
    // A key code that carries no keysym at all, or 0.
    xcb_keycode_t unusedKeycode();
    // The modifier bit (e.g. XCB_MOD_MASK_2) of the key carrying `keysym`, or 0.
    std::uint16_t modifierBitOf(xcb_keysym_t keysym);
    // Replaces the keysyms of one key code (the rest of its columns become NoSymbol).
    bool setKeysyms(xcb_keycode_t keycode, const std::vector<xcb_keysym_t>& keysyms);
    // The keysyms of one key code, all columns.
    std::vector<xcb_keysym_t> keysymsOf(xcb_keycode_t keycode);

    // A passive grab on the root window; true when the server granted it.
    bool grabKey(xcb_keycode_t keycode, std::uint16_t modifiers);
    // Releases it; the server has done so when this returns.
    void ungrabKey(xcb_keycode_t keycode, std::uint16_t modifiers);

    // Reads the events that arrived; key events collect in keyEvents().
    void pollEvents();
    const std::vector<KeyEvent>& keyEvents() const { return keyEvents_; }
    // Whether a press of `keycode` has arrived (after pollEvents()).
    bool receivedPress(xcb_keycode_t keycode) const;
    // State of the last press of `keycode`, or -1.
    int lastPressState(xcb_keycode_t keycode) const;
    void clearKeyEvents() { keyEvents_.clear(); }

  private:
    void sync();

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_window_t window_ = 0;
    std::vector<KeyEvent> keyEvents_;
};

}  // namespace ywf::test
