// The X11 hotkeys against a real X server: a private Xvfb, the QGuiApplication on the xcb
// platform, a second client holding the focus, and key presses sent with xdotool.

#include "platform/x11/x11_hotkeys.hpp"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QThread>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "x11_test_support.hpp"

namespace ywf {
namespace {

using test::OtherClient;
using test::pressKeys;
using test::waitUntil;

constexpr std::int32_t kCtrl = 1;
constexpr std::int32_t kShift = 2;
constexpr std::int32_t kAlt = 4;

constexpr xcb_keysym_t kNumLockSym = 0xff7f;
constexpr xcb_keysym_t kCapsLockSym = 0xffe5;

xcb_keysym_t lower(char letter) {
    return static_cast<xcb_keysym_t>(letter - 'A' + 'a');
}

struct RecordingSink final : FeedbackSink {
    void post(std::int32_t param1, std::int32_t param2) override {
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
            postedOffGuiThread = true;
        }
        posts.emplace_back(param1, param2);
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> posts;
    bool postedOffGuiThread = false;
};

class X11Hotkeys : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(other.connected());
        ASSERT_TRUE(other.createFocusWindow());
        service = std::make_unique<X11HotkeyService>();
    }

    void TearDown() override { service.reset(); }

    xcb_keycode_t keycode(char letter) { return other.keycodeOf(lower(letter)); }

    // Sends `keys` and waits until the focused window of the other client gets the press
    // of `letter`: the keystroke reached another program instead of the hotkey service.
    bool reachesOtherProgram(const std::string& keys, char letter) {
        other.clearKeyEvents();
        if (!pressKeys(keys)) return false;
        const xcb_keycode_t code = keycode(letter);
        return waitUntil([&] {
            other.pollEvents();
            return other.receivedPress(code);
        });
    }

    // Sends `keys` and waits until the sink holds `count` posts in all.
    bool postsReach(const std::string& keys, std::size_t count) {
        if (!pressKeys(keys)) return false;
        return waitUntil([&] { return sink.posts.size() >= count; });
    }

    // Toggles a lock key and returns the state that the next key press carries.
    std::uint16_t toggleLock(const char* key) {
        EXPECT_TRUE(pressKeys(key));
        EXPECT_TRUE(reachesOtherProgram("x", 'X'));
        return static_cast<std::uint16_t>(other.lastPressState(keycode('X')));
    }

    OtherClient other;
    RecordingSink sink;
    std::unique_ptr<X11HotkeyService> service;
};

TEST_F(X11Hotkeys, EachShiftLetterPostsItsIdentifierAndIsTakenFromTheFocusedProgram) {
    const char letters[] = {'W', 'R', 'U', 'O'};
    std::vector<std::int32_t> ids;
    for (char letter : letters) ids.push_back(service->registerHotkey(sink, kShift, letter));
    ASSERT_GT(ids[0], 33000);
    for (std::size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(ids[i], ids[0] + std::int32_t(i));

    // Out of table order on purpose: each press names its own hotkey.
    const std::vector<std::size_t> order = {2, 3, 0, 1, 2};
    std::vector<std::pair<std::int32_t, std::int32_t>> expected;
    for (std::size_t i : order) {
        const std::string keys = std::string("shift+") + char(letters[i] - 'A' + 'a');
        ASSERT_TRUE(postsReach(keys, expected.size() + 1)) << keys;
        expected.emplace_back(ids[i], 0);
    }
    EXPECT_EQ(sink.posts, expected);
    EXPECT_FALSE(sink.postedOffGuiThread);

    // A plain key afterwards still reaches the focused window; the hotkeys never did.
    ASSERT_TRUE(reachesOtherProgram("x", 'X'));
    other.pollEvents();
    for (const auto& event : other.keyEvents()) {
        for (char letter : letters) EXPECT_NE(event.keycode, keycode(letter)) << letter;
    }
}

// A window of this process that records the keys Qt delivers to it.
class KeyRecordingWindow final : public QWindow {
  public:
    std::vector<int> keys;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        keys.push_back(event->key());
        QWindow::keyPressEvent(event);
    }
};

TEST_F(X11Hotkeys, FiresWhileAWindowOfThisProcessHasTheFocus) {
    const std::int32_t id = service->registerHotkey(sink, kShift, 'U');
    ASSERT_NE(id, 0);
    KeyRecordingWindow window;
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.isExposed(); }));
    ASSERT_TRUE(test::run({"xdotool", "windowfocus", "--sync", std::to_string(window.winId())}));

    ASSERT_TRUE(postsReach("shift+u", 1));
    EXPECT_EQ(sink.posts.front(), std::make_pair(id, 0));
    // A plain key reaches the window, so it had the focus; the hotkey's letter never did.
    ASSERT_TRUE(pressKeys("x"));
    ASSERT_TRUE(waitUntil([&] {
        return std::find(window.keys.begin(), window.keys.end(), Qt::Key_X) != window.keys.end();
    }));
    EXPECT_EQ(std::find(window.keys.begin(), window.keys.end(), Qt::Key_U), window.keys.end());
}

TEST_F(X11Hotkeys, OtherModifiersOrNoneLeaveTheKeyToTheFocusedProgram) {
    const std::int32_t id = service->registerHotkey(sink, kShift, 'U');
    ASSERT_NE(id, 0);
    for (const char* keys : {"u", "ctrl+shift+u", "shift+alt+u", "ctrl+u", "alt+u"}) {
        EXPECT_TRUE(reachesOtherProgram(keys, 'U')) << keys;
    }
    ASSERT_TRUE(postsReach("shift+u", 1));
    EXPECT_EQ(sink.posts, (std::vector<std::pair<std::int32_t, std::int32_t>>{{id, 0}}));
}

TEST_F(X11Hotkeys, EveryModifierCodeGrabsItsOwnCombination) {
    struct Case {
        std::int32_t modifierCode;
        const char* keys;
    };
    const Case cases[] = {
        {kCtrl, "ctrl+u"},
        {kShift, "shift+u"},
        {kAlt, "alt+u"},
        {kCtrl | kShift, "ctrl+shift+u"},
        {kCtrl | kAlt, "ctrl+alt+u"},
        {kShift | kAlt, "shift+alt+u"},
    };
    std::vector<std::int32_t> ids;
    for (const Case& c : cases) {
        ids.push_back(service->registerHotkey(sink, c.modifierCode, 'U'));
        EXPECT_NE(ids.back(), 0) << c.keys;
    }
    // Reverse order, so that a combination answered by a looser grab would show.
    for (std::size_t i = std::size(cases); i-- > 0;) {
        sink.posts.clear();
        ASSERT_TRUE(postsReach(cases[i].keys, 1)) << cases[i].keys;
        EXPECT_EQ(sink.posts.front(), std::make_pair(ids[i], 0)) << cases[i].keys;
        EXPECT_EQ(sink.posts.size(), 1u) << cases[i].keys;
    }
}

TEST_F(X11Hotkeys, FiresWithTheLockKeysOn) {
    const std::uint16_t numBit = other.modifierBitOf(kNumLockSym);
    ASSERT_NE(numBit, 0) << "the server has no Num Lock modifier";
    const std::int32_t id = service->registerHotkey(sink, kShift, 'O');
    ASSERT_NE(id, 0);

    struct Case {
        const char* toggles;
        std::uint16_t lockBits;
    };
    const Case cases[] = {
        {"Num_Lock", numBit},
        {"Caps_Lock", XCB_MOD_MASK_LOCK},
        {"Num_Lock Caps_Lock", std::uint16_t(numBit | XCB_MOD_MASK_LOCK)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toggles);
        const std::string toggles = c.toggles;
        std::uint16_t state = 0;
        for (std::size_t start = 0; start < toggles.size();) {
            const std::size_t end = std::min(toggles.find(' ', start), toggles.size());
            state = toggleLock(toggles.substr(start, end - start).c_str());
            start = end + 1;
        }
        ASSERT_EQ(state & (numBit | XCB_MOD_MASK_LOCK), c.lockBits) << "lock keys not on";

        sink.posts.clear();
        ASSERT_TRUE(postsReach("shift+o", 1));
        EXPECT_EQ(sink.posts.front(), std::make_pair(id, 0));

        // Back to all locks off for the next case.
        for (std::size_t start = 0; start < toggles.size();) {
            const std::size_t end = std::min(toggles.find(' ', start), toggles.size());
            state = toggleLock(toggles.substr(start, end - start).c_str());
            start = end + 1;
        }
        ASSERT_EQ(state & (numBit | XCB_MOD_MASK_LOCK), 0);
    }
}

TEST_F(X11Hotkeys, ACombinationHeldByAnotherClientIsRefusedAndTheOthersWork) {
    const std::uint16_t numBit = other.modifierBitOf(kNumLockSym);
    ASSERT_NE(numBit, 0);
    struct Case {
        const char* name;
        std::uint16_t blockerModifiers;
        bool pressGoesToBlocker;  // else to the focused window
    };
    // The second blocker holds only the Num Lock variant, so the service gets some of
    // the lock combinations before the refusal and has to give them back.
    const Case cases[] = {
        {"plain Shift+O held", XCB_MOD_MASK_SHIFT, true},
        {"Shift+O with Num Lock held", std::uint16_t(XCB_MOD_MASK_SHIFT | numBit), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        service = std::make_unique<X11HotkeyService>();
        sink.posts.clear();
        auto blocker = std::make_unique<OtherClient>();
        ASSERT_TRUE(blocker->grabKey(keycode('O'), c.blockerModifiers));

        const std::int32_t w = service->registerHotkey(sink, kShift, 'W');
        const std::int32_t r = service->registerHotkey(sink, kShift, 'R');
        const std::int32_t u = service->registerHotkey(sink, kShift, 'U');
        const std::int32_t o = service->registerHotkey(sink, kShift, 'O');
        EXPECT_NE(w, 0);
        EXPECT_EQ(r, w + 1);
        EXPECT_EQ(u, w + 2);
        EXPECT_EQ(o, 0);

        ASSERT_TRUE(postsReach("shift+w", 1));
        ASSERT_TRUE(postsReach("shift+r", 2));
        ASSERT_TRUE(postsReach("shift+u", 3));
        EXPECT_EQ(sink.posts,
                  (std::vector<std::pair<std::int32_t, std::int32_t>>{{w, 0}, {r, 0}, {u, 0}}));

        // Shift+O without locks: none of the service's grabs may be left over.
        other.clearKeyEvents();
        ASSERT_TRUE(pressKeys("shift+o"));
        if (c.pressGoesToBlocker) {
            EXPECT_TRUE(waitUntil([&] {
                blocker->pollEvents();
                return blocker->receivedPress(keycode('O'));
            }));
        } else {
            EXPECT_TRUE(waitUntil([&] {
                other.pollEvents();
                return other.receivedPress(keycode('O'));
            }));
        }
        EXPECT_EQ(sink.posts.size(), 3u);

        // Once the other client lets go the combination can be had, and the refused call
        // used up its number.
        blocker->ungrabKey(keycode('O'), c.blockerModifiers);
        const std::int32_t again = service->registerHotkey(sink, kShift, 'O');
        EXPECT_EQ(again, w + 4);
        ASSERT_TRUE(postsReach("shift+o", 4));
        EXPECT_EQ(sink.posts.back(), std::make_pair(again, 0));
    }
}

TEST_F(X11Hotkeys, UnregisterGivesTheKeyBack) {
    const std::int32_t u = service->registerHotkey(sink, kShift, 'U');
    const std::int32_t o = service->registerHotkey(sink, kShift, 'O');
    ASSERT_NE(u, 0);
    ASSERT_NE(o, 0);

    EXPECT_TRUE(service->unregisterHotkey(u));
    EXPECT_TRUE(reachesOtherProgram("shift+u", 'U'));
    ASSERT_TRUE(postsReach("shift+o", 1));
    EXPECT_EQ(sink.posts, (std::vector<std::pair<std::int32_t, std::int32_t>>{{o, 0}}));

    EXPECT_FALSE(service->unregisterHotkey(u));
    EXPECT_FALSE(service->unregisterHotkey(0));
    EXPECT_TRUE(service->unregisterHotkey(o));
    EXPECT_TRUE(reachesOtherProgram("shift+o", 'O'));
    EXPECT_EQ(sink.posts.size(), 1u);

    // The server holds nothing for the service any more: another client gets both keys.
    OtherClient next;
    EXPECT_TRUE(next.grabKey(keycode('U'), XCB_MOD_MASK_SHIFT));
    EXPECT_TRUE(next.grabKey(keycode('O'), XCB_MOD_MASK_SHIFT));
}

TEST_F(X11Hotkeys, DestroyingTheServiceReleasesItsGrabs) {
    ASSERT_NE(service->registerHotkey(sink, kShift, 'U'), 0);
    service.reset();
    EXPECT_TRUE(reachesOtherProgram("shift+u", 'U'));
    OtherClient next;
    EXPECT_TRUE(next.grabKey(keycode('U'), XCB_MOD_MASK_SHIFT));
}

TEST_F(X11Hotkeys, RefusedCallsUseUpTheirNumbers) {
    const std::int32_t first = service->registerHotkey(sink, kShift, 'U');
    ASSERT_NE(first, 0);
    struct Case {
        const char* name;
        std::int32_t modifierCode;
        std::int32_t keyCode;
    };
    const Case refused[] = {
        {"same combination twice", kShift, 'U'}, {"no modifier", 0, 'U'},
        {"unknown modifier bit", 64, 'U'},       {"negative modifier", -1, 'U'},
        {"not a key code", kShift, 0},           {"not a key of the tool", kShift, 300},
    };
    for (const Case& c : refused) {
        EXPECT_EQ(service->registerHotkey(sink, c.modifierCode, c.keyCode), 0) << c.name;
    }
    const std::int32_t next = service->registerHotkey(sink, kShift, 'O');
    EXPECT_EQ(next, first + 1 + std::int32_t(std::size(refused)));

    // The refused duplicate did not disturb the first registration.
    ASSERT_TRUE(postsReach("shift+u", 1));
    EXPECT_EQ(sink.posts.front(), std::make_pair(first, 0));
}

TEST_F(X11Hotkeys, FollowsTheLetterToANewKeyAfterAMappingChange) {
    const std::int32_t id = service->registerHotkey(sink, kShift, 'U');
    ASSERT_NE(id, 0);
    const xcb_keycode_t oldCode = keycode('U');
    const xcb_keycode_t newCode = other.unusedKeycode();
    ASSERT_NE(oldCode, 0);
    ASSERT_NE(newCode, 0);
    const std::vector<xcb_keysym_t> oldSyms = other.keysymsOf(oldCode);

    // Move u/U to a key of its own; xdotool then types Shift+U on the new key.
    ASSERT_TRUE(other.setKeysyms(newCode, {lower('U'), 'U'}));
    ASSERT_TRUE(other.setKeysyms(oldCode, {}));
    ASSERT_EQ(keycode('U'), newCode);

    // The re-grab follows the server's notification through the event loop; a press
    // sent before it arrives reaches the focused window instead, so press until it fires.
    const bool fired = waitUntil(
        [&] {
            if (!sink.posts.empty()) return true;
            pressKeys("shift+u");
            return waitUntil([&] { return !sink.posts.empty(); }, std::chrono::milliseconds(300));
        },
        std::chrono::seconds(15));
    EXPECT_TRUE(fired);
    if (fired) {
        EXPECT_EQ(sink.posts.front(), std::make_pair(id, 0));
    }

    // Put the keyboard back for the tests that follow in this server.
    ASSERT_TRUE(other.setKeysyms(newCode, {}));
    ASSERT_TRUE(other.setKeysyms(oldCode, oldSyms));
    ASSERT_EQ(keycode('U'), oldCode);
}

}  // namespace
}  // namespace ywf

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no server.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();

    ywf::test::Xvfb server;
    if (!server.start()) return 1;
    setenv("DISPLAY", server.display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    int rc = 0;
    {
        QGuiApplication app(argc, argv);
        rc = RUN_ALL_TESTS();
    }
    return rc;
}
