#include "x11_test_support.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace ywf::test {

Xvfb::~Xvfb() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

bool Xvfb::start() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        return false;
    }
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) {
        std::perror("fork");
        return false;
    }
    if (pid_ == 0) {
        // The server must not outlive a test process that crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        dup2(fds[1], 3);  // dup2 clears close-on-exec on the copy
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number and a newline once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos) {
        if (poll(&p, 1, 20000) <= 0) break;
        char buffer[32];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        number.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        std::fprintf(stderr, "Xvfb did not report a display number\n");
        return false;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
    return true;
}

bool run(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool pressKeys(const std::string& keys) {
    return run({"xdotool", "key", keys});
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // The timer only wakes the loop so that the condition is looked at again; the
    // condition may depend on another connection than Qt's.
    QTimer ticker;
    ticker.start(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

OtherClient::OtherClient() {
    int screen = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);
        return;
    }
    connection_ = c;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screen; ++i) xcb_screen_next(&it);
    root_ = it.data->root;
}

OtherClient::~OtherClient() {
    if (connection_ != nullptr) xcb_disconnect(connection_);
}

void OtherClient::sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

bool OtherClient::createFocusWindow() {
    if (connection_ == nullptr) return false;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    while (it.data->root != root_) xcb_screen_next(&it);
    window_ = xcb_generate_id(connection_);
    const std::uint32_t values[] = {XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root_, 10, 10, 200, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, it.data->root_visual, XCB_CW_EVENT_MASK,
                      values);
    xcb_map_window(connection_, window_);
    sync();
    xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_POINTER_ROOT, window_, XCB_CURRENT_TIME);
    auto* focus = xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr);
    const bool focused = focus != nullptr && focus->focus == window_;
    std::free(focus);
    return focused;
}

xcb_keycode_t OtherClient::keycodeOf(xcb_keysym_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    for (int k = setup->min_keycode; k <= setup->max_keycode; ++k) {
        const auto syms = keysymsOf(static_cast<xcb_keycode_t>(k));
        if (!syms.empty() && syms[0] == keysym) return static_cast<xcb_keycode_t>(k);
    }
    return 0;
}

xcb_keycode_t OtherClient::unusedKeycode() {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    for (int k = setup->max_keycode; k >= setup->min_keycode; --k) {
        const auto syms = keysymsOf(static_cast<xcb_keycode_t>(k));
        bool empty = true;
        for (xcb_keysym_t s : syms) empty = empty && s == 0;
        if (empty) return static_cast<xcb_keycode_t>(k);
    }
    return 0;
}

std::vector<xcb_keysym_t> OtherClient::keysymsOf(xcb_keycode_t keycode) {
    auto* reply = xcb_get_keyboard_mapping_reply(
        connection_, xcb_get_keyboard_mapping(connection_, keycode, 1), nullptr);
    if (reply == nullptr) return {};
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
    std::vector<xcb_keysym_t> result(syms, syms + xcb_get_keyboard_mapping_keysyms_length(reply));
    std::free(reply);
    return result;
}

std::uint16_t OtherClient::modifierBitOf(xcb_keysym_t keysym) {
    const xcb_keycode_t keycode = keycodeOf(keysym);
    if (keycode == 0) return 0;
    auto* reply =
        xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr);
    if (reply == nullptr) return 0;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
    std::uint16_t bit = 0;
    for (int row = 0; row < 8 && bit == 0; ++row) {
        for (int i = 0; i < reply->keycodes_per_modifier; ++i) {
            if (codes[row * reply->keycodes_per_modifier + i] == keycode) {
                bit = static_cast<std::uint16_t>(1u << row);
            }
        }
    }
    std::free(reply);
    return bit;
}

bool OtherClient::setKeysyms(xcb_keycode_t keycode, const std::vector<xcb_keysym_t>& keysyms) {
    std::vector<xcb_keysym_t> row = keysymsOf(keycode);
    if (row.empty() || keysyms.size() > row.size()) return false;
    std::fill(row.begin(), row.end(), 0);
    std::copy(keysyms.begin(), keysyms.end(), row.begin());
    auto cookie = xcb_change_keyboard_mapping_checked(
        connection_, 1, keycode, static_cast<std::uint8_t>(row.size()), row.data());
    xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
    std::free(error);
    return error == nullptr;
}

bool OtherClient::grabKey(xcb_keycode_t keycode, std::uint16_t modifiers) {
    auto cookie = xcb_grab_key_checked(connection_, 1, root_, modifiers, keycode,
                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
    std::free(error);
    return error == nullptr;
}

void OtherClient::ungrabKey(xcb_keycode_t keycode, std::uint16_t modifiers) {
    xcb_ungrab_key(connection_, keycode, root_, modifiers);
    sync();
}

void OtherClient::pollEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
            const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
            keyEvents_.push_back({type, key->detail, key->state});
        }
        std::free(event);
    }
}

bool OtherClient::receivedPress(xcb_keycode_t keycode) const {
    return lastPressState(keycode) >= 0;
}

int OtherClient::lastPressState(xcb_keycode_t keycode) const {
    for (auto it = keyEvents_.rbegin(); it != keyEvents_.rend(); ++it) {
        if (it->type == XCB_KEY_PRESS && it->keycode == keycode) return it->state;
    }
    return -1;
}

}  // namespace ywf::test
