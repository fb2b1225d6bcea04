#include <gtest/gtest.h>

#include <set>

#include "app/handlers.hpp"
#include "app/texts.hpp"
#include "fakes/fakes.hpp"
#include "fakes/temp_dir.hpp"

namespace ywf {
namespace {

using fakes::FakeTool;
using fakes::TempDir;

TEST(ModeSwitch, TxtAndBackEnablesThePlaybackItemsInOrder) {
    FakeTool t;
    selectTxtMode(t.tool);
    EXPECT_TRUE(t.window.isPlayItemDisabled());
    EXPECT_TRUE(t.window.checked[Control::radio2]);
    EXPECT_FALSE(t.window.checked[Control::radio1]);
    for (auto item : {MenuItem::stop, MenuItem::pause, MenuItem::resume})
        EXPECT_FALSE(t.window.menu[item]);

    t.window.log.clear();
    selectMp3Mode(t.tool);
    EXPECT_EQ(t.window.log,
              (std::vector<std::string>{"enable menu play", "enable menu stop", "enable menu pause",
                                        "enable menu resume", "check 单选框1", "uncheck 单选框2"}));
}

TEST(ModeSwitch, TheCurrentModeChangesNothing) {
    FakeTool t;
    selectMp3Mode(t.tool);
    EXPECT_TRUE(t.window.log.empty());
    selectTxtMode(t.tool);
    t.window.log.clear();
    selectTxtMode(t.tool);
    EXPECT_TRUE(t.window.log.empty());
}

TEST(EqualParts, MirrorFollowsEachClick) {
    FakeTool t;
    toggleEqualParts(t.tool);
    EXPECT_TRUE(t.state.equalPartsToggle);
    EXPECT_TRUE(t.window.checked[Control::check1]);
    toggleEqualParts(t.tool);
    EXPECT_FALSE(t.state.equalPartsToggle);
    EXPECT_FALSE(t.window.checked[Control::check1]);
}

TEST(Background, EveryStartShowsAColourOfTheTable) {
    const std::set<std::uint32_t> table = {0x00FFA8FF, 0x0000E080, 0x0000D8D8,
                                           0x00FF0090, 0x00ECECEC, 0x00FF8800};
    std::set<std::uint32_t> seen;
    for (std::uint32_t tick = 0; tick < 200; ++tick) {
        FakeTool t;
        t.clock.tick = tick * 7919u;
        setRandomBackground(t.tool);
        EXPECT_TRUE(table.count(t.window.background)) << std::hex << t.window.background;
        seen.insert(t.window.background);
    }
    EXPECT_EQ(seen, table);  // every entry can come up
}

TEST(Random, SeedingsWithinOneTickDifferAndDrawsStayInRange) {
    RandomGenerator a;
    a.seed(5000);
    const std::int32_t first = a.next();
    a.seed(5000);  // same tick, but the counter has grown
    EXPECT_NE(a.next(), first);
    RandomGenerator b;
    for (int i = 0; i < 1000; ++i) {
        const std::int32_t r = b.next();
        EXPECT_GE(r, 0);
        EXPECT_LE(r, 32767);
        const std::int32_t d = b.draw(1, 6);
        EXPECT_GE(d, 1);
        EXPECT_LE(d, 6);
    }
}

TEST(Lifecycle, CreatedSetsColourThenRegistersFourHotkeys) {
    FakeTool t;
    onWindowCreated(t.tool);
    EXPECT_NE(t.window.background, kDefaultColour);
    EXPECT_EQ(t.hotkeys.registered, (std::vector<std::pair<std::int32_t, std::int32_t>>{
                                        {2, 87}, {2, 82}, {2, 85}, {2, 79}}));
    for (auto* target : t.hotkeys.targets) EXPECT_EQ(target, &t.window.label2());
    EXPECT_EQ(t.state.workSlots[hotkeyBack], 33001);
    EXPECT_EQ(t.state.workSlots[hotkeyMarkEnd], 33004);
    onWindowWillBeDestroyed(t.tool);
    EXPECT_EQ(t.hotkeys.released, (std::vector<std::int32_t>{33001, 33002, 33003, 33004}));
    EXPECT_TRUE(t.player.calls.empty());  // closing does not stop playback
}

TEST(Lifecycle, ARefusedHotkeyKeepsZeroAndItsNumber) {
    FakeTool t;
    t.hotkeys.refusedKeys[82] = true;
    registerHotkeys(t.tool);
    EXPECT_EQ(t.state.workSlots[hotkeyBack], 33001);
    EXPECT_EQ(t.state.workSlots[hotkeyForward], 0);
    EXPECT_EQ(t.state.workSlots[hotkeyMarkStart], 33003);
}

TEST(FileExtension, TextAfterTheLastDot) {
    EXPECT_EQ(fileExtension("/music/a.b.mp3"), "mp3");
    EXPECT_EQ(fileExtension("/music/a."), "");
    EXPECT_EQ(fileExtension("/my.songs/readme"), "songs/readme");
    EXPECT_EQ(fileExtension("/music/readme"), "/music/readme");
}

class OpenSourceFile : public ::testing::Test {
  protected:
    void choose(const std::string& path) { t.openDialog.answers.push_back(path); }
    bool locked() const {
        return !t.window.enabled.at(Control::radio1) && !t.window.enabled.at(Control::radio2) &&
               !t.window.enabled.at(Control::check1);
    }
    FakeTool t;
    TempDir dir;
};

TEST_F(OpenSourceFile, AcceptsOnlyTheTwoExactExtensionsOfTheMode) {
    struct Case {
        bool txtMode;
        std::string name;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {false, "a.mp3", true},  {false, "a.MP3", true},     {false, "a.Mp3", false},
        {false, "a.txt", false}, {false, "s.old.mp3", true}, {true, "a.txt", true},
        {true, "a.TXT", true},   {true, "a.Txt", false},     {true, "a.mp3", false},
        {true, "readme", false},
    };
    for (const Case& c : cases) {
        FakeTool tt;
        if (c.txtMode) selectTxtMode(tt.tool);
        const std::string path = dir.write(c.name, "data");
        tt.openDialog.answers.push_back(path);
        openSourceFile(tt.tool);
        EXPECT_EQ(tt.state.sourceLoaded(), c.accepted) << c.name;
        EXPECT_EQ(tt.openDialog.title(), c.txtMode ? texts::txtDialogTitle : texts::mp3DialogTitle);
        EXPECT_EQ(tt.openDialog.filter(), c.txtMode ? texts::txtFilter : texts::mp3Filter);
        if (c.accepted) {
            EXPECT_EQ(tt.state.sourcePath, path);
            EXPECT_EQ(bytesToText(tt.state.sourceBytes.view()), "data");
            EXPECT_TRUE(tt.messages.shown.empty());
        } else {
            ASSERT_EQ(tt.messages.shown.size(), 1u) << c.name;
            EXPECT_EQ(tt.messages.shown[0].text, c.txtMode ? texts::txtRefused : texts::mp3Refused);
            EXPECT_EQ(tt.messages.shown[0].kind, MessageKind::warning);
            EXPECT_EQ(tt.messages.shown[0].title, "警告");
            EXPECT_TRUE(tt.files.reads.empty());
            EXPECT_EQ(tt.openDialog.fileName(), path);  // the dialog keeps the refused path
        }
    }
}

TEST_F(OpenSourceFile, LocksTheModeControlsInOrder) {
    choose(dir.write("a.mp3", "x"));
    openSourceFile(t.tool);
    EXPECT_EQ(t.window.log,
              (std::vector<std::string>{"disable 单选框1", "disable 单选框2", "disable 选择框1"}));
    EXPECT_TRUE(locked());
    EXPECT_TRUE(t.player.calls.empty());
}

TEST_F(OpenSourceFile, CancelAfterALoadedFileLeavesUnloadedButLocked) {
    choose(dir.write("a.mp3", "abc"));
    openSourceFile(t.tool);
    t.state.workSlots[markStart] = 7;
    t.openDialog.answers.push_back(std::nullopt);
    openSourceFile(t.tool);
    EXPECT_FALSE(t.state.sourceLoaded());
    EXPECT_TRUE(t.state.sourceBytes.empty());
    EXPECT_TRUE(locked());
    EXPECT_TRUE(t.messages.shown.empty());
    EXPECT_EQ(t.state.workSlots[markStart], 7);  // loading touches no slot
    cutCommand(t.tool);
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_EQ(t.messages.shown[0].text, texts::notLoaded);
}

TEST_F(OpenSourceFile, AnEmptyFileLoads) {
    choose(dir.write("empty.txt", ""));
    selectTxtMode(t.tool);
    openSourceFile(t.tool);
    EXPECT_TRUE(t.state.sourceLoaded());
    EXPECT_TRUE(t.state.sourceBytes.empty());
    EXPECT_TRUE(locked());
}

TEST_F(OpenSourceFile, AFileThatCannotBeHadWholeIsRefusedAndNothingIsLocked) {
    struct Case {
        std::optional<ReadError> injected;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {std::nullopt, texts::cannotRead},  // the real read of a vanished file
        {ReadError::cannotRead, texts::cannotRead},
        {ReadError::tooLarge, texts::tooLarge},
        {ReadError::noMemory, texts::noMemory},
    };
    for (const Case& c : cases) {
        FakeTool tt;
        tt.files.readError = c.injected;
        tt.openDialog.answers.push_back(dir.path("gone.mp3"));
        openSourceFile(tt.tool);
        EXPECT_FALSE(tt.state.sourceLoaded());
        EXPECT_TRUE(tt.window.log.empty());
        ASSERT_EQ(tt.messages.shown.size(), 1u);
        EXPECT_EQ(tt.messages.shown[0].text, c.expected);
        EXPECT_EQ(tt.messages.shown[0].title, "警告");
    }
}

TEST_F(OpenSourceFile, TheDialogIsAlreadyUnloadedWhileItIsOpen) {
    choose(dir.write("a.mp3", "abc"));
    openSourceFile(t.tool);
    // A second attempt empties the source before the dialog shows.
    struct Watching final : OpenFileDialog {
        ToolState* state;
        bool sawLoaded = true;
        void setTitle(const std::string&) override {}
        void setFilter(const std::string&) override {}
        std::string title() const override { return {}; }
        std::string filter() const override { return {}; }
        std::string fileName() const override { return {}; }
        bool open() override {
            sawLoaded = state->sourceLoaded() || !state->sourceBytes.empty();
            return false;
        }
    } watching;
    watching.state = &t.state;
    Platform platform{t.files,  watching, t.folderDialog, t.messages, t.clock,
                      t.random, t.link,   t.player,       t.hotkeys};
    Tool tool{t.state, t.window, platform};
    openSourceFile(tool);
    EXPECT_FALSE(watching.sawLoaded);
}

TEST(Unload, EnablesFourControlsClearsAndSetsMarksToOne) {
    FakeTool t;
    t.state.sourcePath = "/a.mp3";
    t.state.sourceBytes = ByteArray::fromText("abc");
    t.state.outputFolder = "/out/";
    t.state.sourceName = "a.mp3";
    t.state.workSlots[splitCount] = 9;
    t.window.edit = "12";
    unloadSourceFile(t.tool);
    EXPECT_EQ(t.window.log, (std::vector<std::string>{"enable 单选框1", "enable 单选框2",
                                                      "enable 按钮1", "enable 选择框1"}));
    EXPECT_FALSE(t.state.sourceLoaded());
    EXPECT_TRUE(t.state.sourceBytes.empty());
    EXPECT_EQ(t.state.workSlots[markStart], 1);
    EXPECT_EQ(t.state.workSlots[markEnd], 1);
    EXPECT_EQ(t.state.outputFolder, "/out/");
    EXPECT_EQ(t.state.sourceName, "a.mp3");
    EXPECT_EQ(t.state.workSlots[splitCount], 9);
    EXPECT_TRUE(t.messages.shown.empty());
    EXPECT_TRUE(t.player.calls.empty());  // the music goes on
}

TEST(Help, ShowsTheTwoLinesAndTouchesNothing) {
    FakeTool t;
    showHelp(t.tool);
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_EQ(t.messages.shown[0].text,
              "本程序由墨云樵夫编写，体积小，无须安装，\n操作方便，非常适合盲人使用.");
    EXPECT_EQ(t.messages.shown[0].title, "温馨提示");
    EXPECT_EQ(t.messages.shown[0].kind, MessageKind::information);
}

TEST(Contact, PicksEitherAccountWithAFreshSeedEachTime) {
    FakeTool t;
    std::set<std::string> links;
    for (int i = 0; i < 40; ++i) openContactLink(t.tool);  // the same tick every time
    for (const auto& l : t.link.opened) links.insert(l);
    const std::string prefix = std::string(YWF_TEST_CONTACT_SCHEME) + "://message/?uin=";
    EXPECT_EQ(links, (std::set<std::string>{prefix + YWF_TEST_CONTACT_FIRST,
                                            prefix + YWF_TEST_CONTACT_SECOND}));
}

}  // namespace
}  // namespace ywf
