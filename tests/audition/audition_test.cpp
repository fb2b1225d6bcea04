#include <gtest/gtest.h>

#include "app/handlers.hpp"
#include "audition/cues.hpp"
#include "fakes/fakes.hpp"
#include "platform/audio/mp3_scan.hpp"
#include "platform/posix_files.hpp"

namespace ywf {
namespace {

using fakes::FakeTool;

class Audition : public ::testing::Test {
  protected:
    void SetUp() override {
        registerHotkeys(t.tool);
        t.state.sourcePath = "/music/a.mp3";
        t.state.sourceBytes = ByteArray::copyOf(std::vector<std::uint8_t>(333, 0x55));
    }
    void press(Slot hotkey) { onHotkey(t.tool, t.state.workSlots[hotkey], 0); }
    std::int32_t slot(Slot s) const { return t.state.workSlots[s]; }

    FakeTool t;
};

TEST_F(Audition, MenuCommands) {
    playCommand(t.tool);
    EXPECT_EQ(t.player.calls, (std::vector<std::string>{"play /music/a.mp3 0"}));
    EXPECT_EQ(t.player.lastSink, &t.window.label1());
    pauseCommand(t.tool);
    EXPECT_EQ(t.player.state, -1);
    pauseCommand(t.tool);  // paused already: nothing
    resumeCommand(t.tool);
    EXPECT_EQ(t.player.state, 1);
    resumeCommand(t.tool);  // playing: nothing
    stopCommand(t.tool);
    EXPECT_EQ(t.player.calls,
              (std::vector<std::string>{"play /music/a.mp3 0", "pause", "resume", "stop"}));
    stopCommand(t.tool);  // stop always reaches the player
    EXPECT_EQ(t.player.calls.back(), "stop");
}

TEST_F(Audition, PlayWithNothingLoadedDoesNothing) {
    t.state.sourcePath.clear();
    t.player.state = 1;  // something else plays on
    playCommand(t.tool);
    EXPECT_TRUE(t.player.calls.empty());
    EXPECT_EQ(t.player.state, 1);
}

TEST_F(Audition, PositionReportsKeepTheLastNonNegativeValue) {
    onPositionReport(t.tool, 42, 0);
    EXPECT_EQ(slot(playPercent), 42);
    onPositionReport(t.tool, -1, 0);
    EXPECT_EQ(slot(playPercent), 42);
    onPositionReport(t.tool, 0, 99);
    EXPECT_EQ(slot(playPercent), 0);
    onPositionReport(t.tool, 100, 0);
    EXPECT_EQ(slot(playPercent), 100);
}

TEST_F(Audition, SeeksClampAtBothEnds) {
    struct Case {
        Slot key;
        std::int32_t percent, expected;
    };
    const std::vector<Case> cases = {
        {hotkeyBack, 0, 0},       {hotkeyBack, 1, 0},        {hotkeyBack, 50, 49},
        {hotkeyForward, 99, 100}, {hotkeyForward, 100, 100}, {hotkeyForward, 10, 11},
    };
    for (const Case& c : cases) {
        t.player.state = 1;
        t.player.calls.clear();
        t.state.workSlots[playPercent] = c.percent;
        press(c.key);
        EXPECT_EQ(slot(seekPercent), c.expected);
        EXPECT_EQ(t.player.calls,
                  (std::vector<std::string>{"play /music/a.mp3 " + std::to_string(c.expected)}));
    }
}

TEST_F(Audition, TwoSeeksBeforeAReportComputeTheSameTarget) {
    t.player.state = 1;
    t.state.workSlots[playPercent] = 30;
    press(hotkeyForward);
    press(hotkeyForward);
    EXPECT_EQ(t.player.calls,
              (std::vector<std::string>{"play /music/a.mp3 31", "play /music/a.mp3 31"}));
}

TEST_F(Audition, MarksAreTheShareOfTheLengthWithTheCue) {
    struct Case {
        std::int32_t percent, mark;
    };
    const std::vector<Case> cases = {{50, 166}, {0, 0}, {100, 333}, {1, 3}};
    for (const Case& c : cases) {
        t.player.state = 1;
        t.player.sounds.clear();
        t.state.workSlots[playPercent] = c.percent;
        press(hotkeyMarkStart);
        EXPECT_EQ(slot(markStart), c.mark);
        press(hotkeyMarkEnd);
        EXPECT_EQ(slot(markEnd), c.mark);
        ASSERT_EQ(t.player.sounds.size(), 2u);
        EXPECT_EQ(ByteView(t.player.sounds[0]).size(), markStartCue().size());
        EXPECT_TRUE(std::equal(t.player.sounds[0].begin(), t.player.sounds[0].end(),
                               markStartCue().begin()));
        EXPECT_TRUE(
            std::equal(t.player.sounds[1].begin(), t.player.sounds[1].end(), markEndCue().begin()));
    }
    EXPECT_TRUE(t.player.calls.empty());  // marking never touches playback
}

TEST_F(Audition, NothingHappensUnlessPlaying) {
    for (std::int32_t state : {0, -1}) {
        t.player.state = state;
        t.state.workSlots[playPercent] = 40;
        for (Slot key : {hotkeyBack, hotkeyForward, hotkeyMarkStart, hotkeyMarkEnd}) press(key);
        EXPECT_TRUE(t.player.calls.empty());
        EXPECT_TRUE(t.player.sounds.empty());
        EXPECT_EQ(slot(markStart), 0);
        EXPECT_EQ(slot(seekPercent), 0);
    }
    t.player.state = 1;  // after resume the hotkeys work again
    press(hotkeyMarkStart);
    EXPECT_EQ(slot(markStart), 133);
}

TEST_F(Audition, ThePlayStateIsAskedOnlyForAMatchingIdentifier) {
    t.player.state = 1;
    onHotkey(t.tool, 12345, 0);
    EXPECT_EQ(t.player.stateQueries, 0);
    press(hotkeyMarkEnd);
    EXPECT_EQ(t.player.stateQueries, 1);
}

TEST_F(Audition, AfterUnloadAMarkIsZeroAndASeekStopsPlayback) {
    t.player.state = 1;
    t.state.workSlots[playPercent] = 60;
    unloadSourceFile(t.tool);
    press(hotkeyMarkStart);
    EXPECT_EQ(slot(markStart), 0);
    EXPECT_EQ(t.player.sounds.size(), 1u);  // the cue still sounds
    press(hotkeyBack);
    EXPECT_EQ(slot(seekPercent), 59);
    EXPECT_EQ(t.player.calls, (std::vector<std::string>{"play  59"}));
    EXPECT_EQ(t.player.state, 0);
}

// With a seek table, a mark is where the player starts at that percent, so the cut begins
// with what was heard there; without one it is the share of the length.
TEST_F(Audition, MarksFollowTheSeekTableOfAVbrFile) {
    PosixFileService files;
    for (const char* name : {"vbr_stereo_44k_xing.mp3", "cbr_mono_44k.mp3"}) {
        ReadResult read = files.readWholeFile(std::string(YWF_FIXTURES_DIR) + "/mp3/" + name);
        ASSERT_TRUE(read.ok()) << name;
        const std::int64_t length = read.bytes.size();
        t.state.sourceBytes = std::move(read.bytes);
        const ByteView bytes = t.state.sourceBytes.view();
        const bool hasToc = mp3::tocStartOffset(bytes, 50).has_value();
        EXPECT_EQ(hasToc, std::string(name).find("xing") != std::string::npos) << name;
        bool differs = false;
        for (std::int32_t percent : {0, 13, 50, 87, 100}) {
            t.player.state = 1;
            t.state.workSlots[playPercent] = percent;
            press(hotkeyMarkStart);
            const std::int64_t share = percent * length / 100;
            const std::int64_t expected =
                hasToc ? std::int64_t(*mp3::tocStartOffset(bytes, percent)) : share;
            EXPECT_EQ(slot(markStart), expected) << name << " at " << percent;
            EXPECT_GE(slot(markStart), 0);
            EXPECT_LE(slot(markStart), length);
            differs = differs || expected != share;
        }
        EXPECT_EQ(differs, hasToc) << name;
    }
}

}  // namespace
}  // namespace ywf
