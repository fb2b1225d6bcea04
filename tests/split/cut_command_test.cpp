#include <gtest/gtest.h>

#include "app/handlers.hpp"
#include "app/texts.hpp"
#include "fakes/fakes.hpp"
#include "fakes/temp_dir.hpp"

namespace ywf {
namespace {

using fakes::FakeTool;
using fakes::TempDir;

class CutCommand : public ::testing::Test {
  protected:
    // Loads `content` as a file named `name` in `mode`, with the box ticked or not.
    void load(const std::string& content, const std::string& name, bool txt, bool ticked) {
        if (txt) selectTxtMode(t.tool);
        if (ticked) {
            t.window.checked[Control::check1] = true;
            toggleEqualParts(t.tool);
        }
        t.openDialog.answers.push_back(src.write(name, content));
        openSourceFile(t.tool);
        ASSERT_TRUE(t.state.sourceLoaded());
    }
    void cut(const std::string& entry) {
        t.window.edit = entry;
        t.folderDialog.answers.push_back(out.path(""));  // no trailing '/'
        cutCommand(t.tool);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> v;
        for (const auto& m : t.messages.shown) v.push_back(m.text);
        return v;
    }
    bool succeeded() const {
        return !t.messages.shown.empty() && t.messages.shown.back().text == texts::success &&
               t.messages.shown.back().kind == MessageKind::information &&
               t.messages.shown.back().title.empty();
    }

    FakeTool t;
    TempDir src, out;
};

TEST_F(CutCommand, NothingLoaded) {
    cutCommand(t.tool);
    EXPECT_EQ(texts(), (std::vector<std::string>{texts::notLoaded}));
    EXPECT_EQ(t.messages.shown[0].title, "警告");
    EXPECT_TRUE(t.folderDialog.titles.empty());
}

TEST_F(CutCommand, DecisionTableRunsTheRightProcedure) {
    struct Case {
        bool ticked, txt;
        std::string entry;
        std::vector<std::string> files;
    };
    const std::vector<Case> cases = {
        {true, false, "2", {"1a.mp3", "2a.mp3"}},
        {true, true, "3", {"1a.txt", "2a.txt", "3a.txt"}},
        {false, true, "4", {"1a.txt", "2a.txt"}},
        {false, false, "whatever", {"0a.mp3"}},  // not validated
        {false, false, "", {"0a.mp3"}},
    };
    for (const Case& c : cases) {
        FakeTool tt;
        TempDir s, o;
        if (c.txt) selectTxtMode(tt.tool);
        if (c.ticked) {
            tt.window.checked[Control::check1] = true;
            toggleEqualParts(tt.tool);
        }
        tt.openDialog.answers.push_back(s.write(c.txt ? "a.txt" : "a.mp3", "0123456789"));
        openSourceFile(tt.tool);
        tt.window.edit = c.entry;
        tt.folderDialog.answers.push_back(o.path(""));
        cutCommand(tt.tool);
        EXPECT_EQ(o.names(), c.files) << c.ticked << c.txt << c.entry;
        ASSERT_FALSE(tt.messages.shown.empty());
        EXPECT_EQ(tt.messages.shown.back().text, texts::success);
        EXPECT_EQ(tt.folderDialog.titles, (std::vector<std::string>{"请选择保存路径"}));
    }
}

TEST_F(CutCommand, ValidationOfTheEntry) {
    struct Case {
        std::string entry;
        bool passes;
        std::int32_t count;
    };
    const std::vector<Case> cases = {
        {"-3", true, 3},
        {"2.9", true, 2},
        {"1.99999995", true, 1},
        {"1.5", false, 0},
        {"1", false, 0},
        {"0", false, 0},
        {"", false, 0},
        {"abc", false, 0},
        {"3abc", true, 3},
        {"３", true, 3},
        {"2147483647", true, 2147483647},
        {"2147483648", false, 0},
        {"-2147483648", false, 0},
        {"1e10", false, 0},
        {"1e999", false, 0},
        {"1d1", true, 10},
    };
    for (const Case& c : cases) {
        FakeTool tt;
        TempDir s, o;
        tt.window.checked[Control::check1] = true;
        toggleEqualParts(tt.tool);
        tt.openDialog.answers.push_back(s.write("a.mp3", "abc"));
        openSourceFile(tt.tool);
        tt.window.edit = c.entry;
        tt.folderDialog.answers.push_back({});  // cancel: stop right after the count
        cutCommand(tt.tool);
        if (c.passes) {
            EXPECT_TRUE(tt.messages.shown.empty()) << c.entry;
            EXPECT_EQ(tt.state.workSlots[splitCount], c.count) << c.entry;
            EXPECT_EQ(tt.folderDialog.titles.size(), 1u);
        } else {
            ASSERT_EQ(tt.messages.shown.size(), 1u) << c.entry;
            EXPECT_EQ(tt.messages.shown[0].text, texts::badNumber);
            EXPECT_TRUE(tt.folderDialog.titles.empty());
        }
        EXPECT_TRUE(tt.state.sourceLoaded());
    }
}

TEST_F(CutCommand, TheTolerancePassesOneWholeFile) {
    load("abcdef", "a.mp3", false, true);
    cut("1.99999995");
    EXPECT_EQ(out.names(), (std::vector<std::string>{"1a.mp3"}));
    EXPECT_EQ(TempDir::read(out.path("1a.mp3")), "abcdef");
}

TEST_F(CutCommand, TxtLengthCheck) {
    load("abcde", "a.txt", true, false);
    cut("6");
    EXPECT_EQ(texts(), (std::vector<std::string>{texts::tooLong}));
    EXPECT_EQ(t.state.workSlots[splitCount], 6);
    EXPECT_TRUE(t.state.sourceLoaded());
    t.messages.shown.clear();
    cut("5");
    EXPECT_TRUE(succeeded());
    EXPECT_EQ(TempDir::read(out.path("1a.txt")), "abcde");
    EXPECT_EQ(TempDir::read(out.path("2a.txt")), "");
}

TEST_F(CutCommand, TxtEqualPartsHasNoLengthCheck) {
    load("abc", "a.txt", true, true);
    cut("5");
    EXPECT_TRUE(succeeded());
    EXPECT_EQ(out.names().size(), 5u);
    EXPECT_EQ(TempDir::read(out.path("5a.txt")), "abc");
}

TEST_F(CutCommand, CancelledFolderKeepsTheFileAndAsksAgain) {
    load("0123456789", "a.txt", true, false);
    t.window.edit = "4";
    t.folderDialog.answers.push_back({});
    cutCommand(t.tool);
    EXPECT_TRUE(t.messages.shown.empty());
    EXPECT_TRUE(t.state.sourceLoaded());
    EXPECT_EQ(t.state.outputFolder, "");
    EXPECT_EQ(t.state.workSlots[splitCount], 4);
    cut("4");
    EXPECT_TRUE(succeeded());
    EXPECT_EQ(t.folderDialog.titles.size(), 2u);
}

TEST_F(CutCommand, FinishedCutResetsButKeepsTheLock) {
    load("0123456789", "a.mp3", false, false);
    t.state.workSlots[markStart] = 3;
    t.state.workSlots[markEnd] = 7;
    t.clock.second = 42;
    cut("");
    EXPECT_TRUE(succeeded());
    EXPECT_EQ(TempDir::read(out.path("42a.mp3")), "2345");
    EXPECT_FALSE(t.state.sourceLoaded());
    EXPECT_TRUE(t.state.sourceBytes.empty());
    EXPECT_EQ(t.state.workSlots[markStart], 0);
    EXPECT_EQ(t.state.workSlots[markEnd], 0);
    EXPECT_EQ(t.state.outputFolder, out.folder());
    EXPECT_EQ(t.state.sourceName, "a.mp3");
    EXPECT_EQ(t.state.workSlots[nameSeparatorPos], textLength(src.folder()));
    EXPECT_FALSE(t.window.enabled[Control::radio1]);
    EXPECT_FALSE(t.window.enabled[Control::check1]);
    EXPECT_TRUE(t.player.calls.empty());
    t.messages.shown.clear();
    cutCommand(t.tool);
    EXPECT_EQ(texts(), (std::vector<std::string>{texts::notLoaded}));
}

TEST_F(CutCommand, RootFolderKeepsItsOneSlash) {
    load("abc", "a.mp3", false, false);
    struct FailingWrites final : FileService {
        std::vector<std::string> paths;
        ReadResult readWholeFile(const std::string&) override { return {}; }
        bool writeWholeFile(const std::string& p, ByteView) override {
            paths.push_back(p);
            return true;
        }
    } files;
    Platform platform{files,    t.openDialog, t.folderDialog, t.messages, t.clock,
                      t.random, t.link,       t.player,       t.hotkeys};
    Tool tool{t.state, t.window, platform};
    t.folderDialog.answers.push_back("/");
    t.clock.second = 5;
    cutCommand(tool);
    EXPECT_EQ(t.state.outputFolder, "/");
    EXPECT_EQ(files.paths, (std::vector<std::string>{"/5a.mp3"}));
}

TEST_F(CutCommand, ANameWithMultiByteCharactersIsWhole) {
    load("abc", "歌曲.mp3", false, false);
    t.clock.second = 1;
    cut("");
    EXPECT_EQ(t.state.sourceName, "歌曲.mp3");
    EXPECT_TRUE(TempDir::exists(out.path("1歌曲.mp3")));
}

TEST_F(CutCommand, AFailedWriteWarnsAndKeepsEverythingForARetry) {
    load("0123456789", "a.mp3", false, false);
    t.state.workSlots[markStart] = 2;
    t.state.workSlots[markEnd] = 6;
    t.clock.second = 3;
    t.window.edit = "";
    t.folderDialog.answers.push_back(out.path("missing/folder"));
    cutCommand(t.tool);
    ASSERT_EQ(t.messages.shown.size(), 1u);
    const auto& warning = t.messages.shown[0];
    EXPECT_EQ(warning.kind, MessageKind::warning);
    EXPECT_EQ(warning.title, "警告");
    EXPECT_NE(warning.text.find(out.path("missing/folder/3a.mp3")), std::string::npos);
    EXPECT_TRUE(t.state.sourceLoaded());
    EXPECT_EQ(bytesToText(t.state.sourceBytes.view()), "0123456789");
    EXPECT_EQ(t.state.workSlots[markStart], 2);
    EXPECT_EQ(t.state.workSlots[markEnd], 6);

    cut("");  // retry into a folder that exists
    EXPECT_TRUE(succeeded());
    EXPECT_EQ(TempDir::read(out.path("3a.mp3")), "1234");
}

}  // namespace
}  // namespace ywf
