#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/audio/mp3_player.hpp"
#include "test_support.hpp"

namespace ywf {
namespace {

using namespace std::chrono_literals;
using testing::fixture;
using testing::RecordingSink;

// Long enough to see that nothing more arrives: a report is due every few milliseconds
// while a player runs at the test clock's speed.
constexpr auto kQuiet = 300ms;

// No device: the stand-in clock plays 40 seconds a second, so a fixture takes ~0.1 s.
// The sink comes first so that it outlives the player's threads.
class PlayerTest : public ::testing::Test {
  protected:
    RecordingSink sink;
    AudioOutput output{AudioOptions{.openDevice = false, .clockSpeed = 40}};
    Mp3PlayerService player{output};
};

// 0, 1, 2, ... up to `last`, one step at a time.
::testing::AssertionResult countsUpFrom(const std::vector<std::int32_t>& v, std::int32_t first,
                                        std::int32_t last) {
    if (v.empty()) return ::testing::AssertionFailure() << "no reports";
    if (v.front() != first) return ::testing::AssertionFailure() << "first is " << v.front();
    for (std::size_t i = 1; i < v.size(); ++i) {
        if (v[i] != v[i - 1] + 1) {
            return ::testing::AssertionFailure() << "report " << v[i] << " follows " << v[i - 1];
        }
    }
    if (v.back() != last) return ::testing::AssertionFailure() << "last is " << v.back();
    return ::testing::AssertionSuccess();
}

struct PlayCase {
    const char* name;
    std::int32_t lastBeforeEnd;  // 99 when the stream holds the T frames it is counted by
};

void PrintTo(const PlayCase& c, std::ostream* os) {
    *os << c.name;
}

class PlaysThrough : public PlayerTest, public ::testing::WithParamInterface<PlayCase> {};

TEST_P(PlaysThrough, ReportsEveryPercentThenStateZeroAndOneHundred) {
    player.playMp3(fixture(GetParam().name), 0, sink);
    EXPECT_EQ(player.mp3PlayState(), 1);
    ASSERT_TRUE(sink.waitForEnd());
    EXPECT_EQ(player.mp3PlayState(), 0);  // set before the 100 is posted
    std::vector<std::int32_t> v = sink.values();
    v.pop_back();
    EXPECT_TRUE(countsUpFrom(v, 0, GetParam().lastBeforeEnd));
    EXPECT_FALSE(sink.nonZeroParam2());

    // The finished player stays idle: pause and resume do nothing, and nothing more comes.
    player.pauseMp3();
    EXPECT_EQ(player.mp3PlayState(), 0);
    player.resumeMp3();
    EXPECT_EQ(player.mp3PlayState(), 0);
    EXPECT_FALSE(sink.waitForCount(v.size() + 2, kQuiet));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, PlaysThrough,
    ::testing::Values(PlayCase{"vbr_stereo_44k_xing.mp3", 99}, PlayCase{"cbr_mono_44k.mp3", 99},
                      PlayCase{"cbr_stereo_44k_info_id3.mp3", 99},
                      PlayCase{"vbr_mono_22k_mpeg2.mp3", 99},
                      PlayCase{"cbr_mono_11k_mpeg25.mp3", 99}, PlayCase{"cbr_mono_48k_crc.mp3", 99},
                      PlayCase{"vbri_mono_44k.mp3", 99},
                      // T counts the tag and junk as frames: 155 frames of a T of 159.
                      PlayCase{"id3v24_footer_junk.mp3", 96}),
    [](const ::testing::TestParamInfo<PlayCase>& info) {
        const std::string name = info.param.name;
        return name.substr(0, name.find('.'));
    });

TEST_F(PlayerTest, SeekStartsAtTheShareOfTheFile) {
    for (const char* name :
         {"vbr_stereo_44k_xing.mp3", "cbr_mono_44k.mp3", "cbr_mono_11k_mpeg25.mp3"}) {
        for (const std::int32_t p : {1, 10, 37, 50, 99}) {
            RecordingSink seekSink;
            player.playMp3(fixture(name), p, seekSink);
            // 1 on return; only a player that already posted its end can be at 0.
            const std::int32_t state = player.mp3PlayState();
            const auto early = seekSink.values();
            EXPECT_TRUE(state == 1 || (!early.empty() && early.back() == 100)) << name << " " << p;
            ASSERT_TRUE(seekSink.waitForEnd()) << name << " " << p;
            std::vector<std::int32_t> v = seekSink.values();
            ASSERT_GE(v.size(), 2u) << name << " " << p;
            EXPECT_TRUE(v.front() == p || v.front() == p - 1)
                << name << " " << p << ": " << v.front();
            v.pop_back();
            // The seek frame is an estimate from T, so the count may end a little short.
            EXPECT_TRUE(countsUpFrom(v, v.front(), v.back())) << name << " " << p;
            EXPECT_GE(v.back(), std::min(p - 1, 97)) << name << " " << p;
        }
    }
}

TEST_F(PlayerTest, StartAtOneHundredEndsAtOnce) {
    for (const std::int32_t p : {100, 250}) {
        RecordingSink endSink;
        player.playMp3(fixture("vbr_stereo_44k_xing.mp3"), p, endSink);
        ASSERT_TRUE(endSink.waitForEnd());
        EXPECT_EQ(endSink.values(), std::vector<std::int32_t>{100});
        EXPECT_EQ(player.mp3PlayState(), 0);
    }
}

TEST_F(PlayerTest, PlayWhilePlayingOrPausedRestartsAtZero) {
    for (const bool paused : {false, true}) {
        RecordingSink first;
        player.playMp3(fixture("vbr_stereo_44k_xing.mp3"), 50, first);
        ASSERT_TRUE(first.waitForValue(60));
        if (paused) {
            player.pauseMp3();
            ASSERT_EQ(player.mp3PlayState(), -1);
        }
        RecordingSink second;
        player.playMp3(fixture("vbr_stereo_44k_xing.mp3"), 0, second);
        EXPECT_EQ(player.mp3PlayState(), 1);
        const std::size_t firstCount = first.values().size();
        ASSERT_TRUE(second.waitForEnd());
        EXPECT_EQ(second.values().front(), 0);
        // The first player fell silent for good when it was replaced.
        EXPECT_EQ(first.values().size(), firstCount);
        EXPECT_NE(first.values().back(), 100);
    }
}

TEST_F(PlayerTest, ReportsOfADiscardedPlayerComeBeforeTheNextOnes) {
    // One sink for both players: every report of the first must precede the second's.
    player.playMp3(fixture("vbr_stereo_44k_xing.mp3"), 50, sink);
    ASSERT_TRUE(sink.waitForValue(55));
    player.playMp3(fixture("vbr_stereo_44k_xing.mp3"), 0, sink);
    ASSERT_TRUE(sink.waitForEnd());
    const std::vector<std::int32_t> v = sink.values();
    std::size_t drops = 0, at = 0;
    for (std::size_t i = 1; i < v.size(); ++i) {
        if (v[i] < v[i - 1]) {
            ++drops;
            at = i;
        }
    }
    ASSERT_EQ(drops, 1u);
    const std::vector<std::int32_t> before(v.begin(), v.begin() + std::ptrdiff_t(at));
    const std::vector<std::int32_t> after(v.begin() + std::ptrdiff_t(at), v.end() - 1);
    EXPECT_TRUE(countsUpFrom(before, before.front(), before.back()));
    EXPECT_GE(before.front(), 49);
    EXPECT_TRUE(countsUpFrom(after, 0, 99));
}

TEST_F(PlayerTest, NoReportsWhilePausedAndTheyGoOnAfterResume) {
    player.playMp3(fixture("vbr_stereo_44k_xing.mp3"), 0, sink);
    ASSERT_TRUE(sink.waitForValue(20));
    player.pauseMp3();
    EXPECT_EQ(player.mp3PlayState(), -1);
    player.pauseMp3();  // pausing twice changes nothing
    EXPECT_EQ(player.mp3PlayState(), -1);
    const std::size_t count = sink.values().size();
    EXPECT_FALSE(sink.waitForCount(count + 1, kQuiet));
    EXPECT_EQ(player.mp3PlayState(), -1);

    player.resumeMp3();
    EXPECT_EQ(player.mp3PlayState(), 1);
    ASSERT_TRUE(sink.waitForEnd());
    std::vector<std::int32_t> v = sink.values();
    v.pop_back();
    EXPECT_TRUE(countsUpFrom(v, 0, 99));
}

TEST_F(PlayerTest, StopEndsPlaybackWithoutAReport) {
    for (const bool paused : {false, true}) {
        RecordingSink stopSink;
        player.playMp3(fixture("vbr_stereo_44k_xing.mp3"), 0, stopSink);
        ASSERT_TRUE(stopSink.waitForValue(10));
        if (paused) player.pauseMp3();
        player.stopPlaying();
        EXPECT_EQ(player.mp3PlayState(), 0);
        player.resumeMp3();
        EXPECT_EQ(player.mp3PlayState(), 0);
        const std::size_t count = stopSink.values().size();
        EXPECT_FALSE(stopSink.waitForCount(count + 1, kQuiet));
        player.stopPlaying();  // stopping when nothing plays does nothing
        EXPECT_EQ(player.mp3PlayState(), 0);
    }
}

TEST_F(PlayerTest, FilesThatCannotBePlayedGiveStateZeroAndNoReport) {
    const std::string dir = ::testing::TempDir();
    for (const std::string& path : {std::string(), fixture("missing.mp3"), fixture("garbage.mp3"),
                                    fixture("empty.mp3"), dir}) {
        // Each also discards the player that was going.
        RecordingSink going;
        player.playMp3(fixture("vbr_stereo_44k_xing.mp3"), 0, going);
        ASSERT_TRUE(going.waitForValue(5));
        RecordingSink bad;
        player.playMp3(path, 0, bad);
        EXPECT_EQ(player.mp3PlayState(), 0) << path;
        const std::size_t goingCount = going.values().size();
        EXPECT_FALSE(bad.waitForCount(1, kQuiet)) << path;
        EXPECT_EQ(going.values().size(), goingCount) << path;
    }
}

// Writes `bytes` to a fresh file in the test's temporary folder.
std::string writeTemp(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = ::testing::TempDir() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(PlayerTest, GarbageOrACutAfterAValidStartEndsInBoundedTime) {
    // A valid start followed by megabytes that hold no frame at all, or random bytes.
    std::vector<std::uint8_t> head = readBytes(fixture("cbr_mono_44k.mp3"));
    head.resize(104 * 30);
    std::vector<std::uint8_t> zeros = head;
    zeros.resize(head.size() + 8 * 1024 * 1024, 0);
    std::vector<std::uint8_t> noise = head;
    std::mt19937 rng(7);
    for (int i = 0; i < 2 * 1024 * 1024; ++i) noise.push_back(std::uint8_t(rng()));

    for (const std::string& path :
         {fixture("truncated.mp3"), fixture("garbage_tail.mp3"), writeTemp("zeros_tail.mp3", zeros),
          writeTemp("noise_tail.mp3", noise)}) {
        RecordingSink endSink;
        player.playMp3(path, 0, endSink);
        ASSERT_TRUE(endSink.waitForEnd()) << path;
        EXPECT_EQ(player.mp3PlayState(), 0) << path;
        EXPECT_EQ(endSink.values().front(), 0) << path;
    }
}

TEST_F(PlayerTest, PlaySoundBytesRefusesWhatIsNoWav) {
    EXPECT_FALSE(player.playSoundBytes({}));
    const std::vector<std::uint8_t> mp3 = readBytes(fixture("cbr_mono_44k.mp3"));
    EXPECT_FALSE(player.playSoundBytes(mp3));
    EXPECT_TRUE(player.playSoundBytes(testing::steadyWav(22050, 100, 0.5f)));
}

TEST(PlayerWithoutDevice, KeepsWorkingWhenNoDeviceOpens) {
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    AudioOutput output{AudioOptions{.openDevice = true, .clockSpeed = 40}};
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_FALSE(output.hasDevice());
    RecordingSink sink;
    Mp3PlayerService player{output};
    player.playMp3(fixture("cbr_mono_44k.mp3"), 0, sink);
    EXPECT_TRUE(player.playSoundBytes(testing::steadyWav(22050, 1000, 0.5f)));
    ASSERT_TRUE(sink.waitForEnd());
    std::vector<std::int32_t> v = sink.values();
    v.pop_back();
    EXPECT_TRUE(countsUpFrom(v, 0, 99));
}

}  // namespace
}  // namespace ywf
