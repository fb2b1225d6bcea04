// Without an X connection the hotkey service refuses every registration instead of
// crashing: before any QGuiApplication exists, and under the offscreen platform.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>

#include "platform/x11/x11_hotkeys.hpp"

namespace ywf {
namespace {

struct NullSink final : FeedbackSink {
    void post(std::int32_t, std::int32_t) override { ++posts; }
    int posts = 0;
};

TEST(X11HotkeysWithoutX, RefusesEveryRegistration) {
    NullSink sink;
    {
        X11HotkeyService service;
        EXPECT_EQ(service.registerHotkey(sink, 2, 'U'), 0) << "no application yet";
    }

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "x11_hotkeys_offscreen_test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));

    X11HotkeyService service;
    for (int key : {'W', 'R', 'U', 'O'}) EXPECT_EQ(service.registerHotkey(sink, 2, key), 0);
    EXPECT_FALSE(service.unregisterHotkey(0));
    EXPECT_FALSE(service.unregisterHotkey(33002));
    QCoreApplication::processEvents();
    EXPECT_EQ(sink.posts, 0);
}

}  // namespace
}  // namespace ywf
