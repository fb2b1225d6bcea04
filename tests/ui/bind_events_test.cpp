// Every event of the real window reaches its handler (the real handlers, on fake
// platform services).

#include "ui/bind_events.hpp"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QTest>

#include "app/handlers.hpp"
#include "app/texts.hpp"
#include "fakes/fakes.hpp"
#include "ui/main_window.hpp"

namespace ywf {
namespace {

struct BoundWindow {
    ToolState state;
    MainWindow window;
    fakes::FakeFiles files;
    fakes::FakeOpenDialog openDialog;
    fakes::FakeFolderDialog folderDialog;
    fakes::FakeMessages messages;
    fakes::FakeClock clock;
    RandomGenerator random;
    fakes::FakeLink link;
    fakes::FakePlayer player;
    fakes::FakeHotkeys hotkeys;
    Platform platform{files,  openDialog, folderDialog, messages, clock,
                      random, link,       player,       hotkeys};
    Tool tool{state, window, platform};

    BoundWindow() { bindEvents(window, tool); }
    void click(Control c) { window.button(c)->click(); }
};

TEST(BindEventsTest, ClicksReachTheirHandlers) {
    BoundWindow b;

    b.click(Control::radio2);  // selectTxtMode
    EXPECT_FALSE(b.window.isMenuItemEnabled(MenuItem::play));
    EXPECT_FALSE(b.window.isMenuItemEnabled(MenuItem::resume));
    EXPECT_TRUE(b.window.isChecked(Control::radio2));
    b.click(Control::radio1);  // selectMp3Mode
    EXPECT_TRUE(b.window.isMenuItemEnabled(MenuItem::play));
    EXPECT_TRUE(b.window.isChecked(Control::radio1));
    EXPECT_FALSE(b.window.isChecked(Control::radio2));

    b.click(Control::check1);  // toggleEqualParts
    EXPECT_TRUE(b.state.equalPartsToggle);
    EXPECT_TRUE(b.window.isChecked(Control::check1));
    b.click(Control::check1);
    EXPECT_FALSE(b.state.equalPartsToggle);
    EXPECT_FALSE(b.window.isChecked(Control::check1));

    b.click(Control::button3);  // unloadSourceFile
    EXPECT_EQ(b.state.workSlots[markStart], 1);
    EXPECT_EQ(b.state.workSlots[markEnd], 1);

    b.click(Control::button2);  // cutCommand, nothing loaded
    ASSERT_EQ(b.messages.shown.size(), 1u);
    EXPECT_EQ(b.messages.shown[0].text, texts::notLoaded);

    b.click(Control::button1);  // openSourceFile, cancelled
    EXPECT_EQ(b.openDialog.openings, 1);
    EXPECT_EQ(b.openDialog.title(), texts::mp3DialogTitle);

    b.click(Control::button4);  // openContactLink
    ASSERT_EQ(b.link.opened.size(), 1u);
    EXPECT_NE(b.link.opened[0].find("://message/?uin="), std::string::npos);
}

TEST(BindEventsTest, MenuItemsReachTheirHandlers) {
    BoundWindow b;
    b.window.helpAction()->trigger();  // showHelp
    ASSERT_EQ(b.messages.shown.size(), 1u);
    EXPECT_EQ(b.messages.shown[0].text, texts::helpText);
    EXPECT_EQ(b.messages.shown[0].title, texts::helpTitle);
    EXPECT_EQ(b.messages.shown[0].kind, MessageKind::information);

    b.state.sourcePath = "/music/a.mp3";
    b.window.action(MenuItem::play)->trigger();
    b.window.action(MenuItem::pause)->trigger();
    b.window.action(MenuItem::resume)->trigger();
    b.window.action(MenuItem::stop)->trigger();
    EXPECT_EQ(b.player.calls,
              (std::vector<std::string>{"play /music/a.mp3 0", "pause", "resume", "stop"}));
    EXPECT_EQ(b.player.lastSink, &b.window.label1());
}

TEST(BindEventsTest, LabelsFeedTheirHandlersAndClosingReleasesTheHotkeys) {
    BoundWindow b;
    onWindowCreated(b.tool);
    ASSERT_EQ(b.hotkeys.targets.size(), 4u);
    EXPECT_EQ(b.hotkeys.targets[0], &b.window.label2());

    b.window.label1().post(42, 0);  // onPositionReport
    ASSERT_TRUE(QTest::qWaitFor([&] { return b.state.workSlots[playPercent] == 42; }, 5000));

    // Shift+U while playing sets the start mark and plays its cue.
    b.state.sourcePath = "/music/a.mp3";
    b.state.sourceBytes = ByteArray::fromText(std::string(1000, 'x'));
    b.player.state = 1;
    b.window.label2().post(b.state.workSlots[hotkeyMarkStart], 0);  // onHotkey
    ASSERT_TRUE(QTest::qWaitFor([&] { return b.player.sounds.size() == 1; }, 5000));
    EXPECT_EQ(b.state.workSlots[markStart], 420);

    b.window.close();  // onWindowWillBeDestroyed
    EXPECT_EQ(b.hotkeys.released,
              (std::vector<std::int32_t>{
                  b.state.workSlots[hotkeyBack], b.state.workSlots[hotkeyForward],
                  b.state.workSlots[hotkeyMarkStart], b.state.workSlots[hotkeyMarkEnd]}));
}

}  // namespace
}  // namespace ywf
