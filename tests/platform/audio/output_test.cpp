#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>

#include "audition/cues.hpp"
#include "platform/audio/audio_output.hpp"
#include "platform/audio/mp3_player.hpp"
#include "test_support.hpp"

namespace ywf {
namespace {

using namespace std::chrono_literals;
using testing::fixture;
using testing::RecordingSink;
using testing::steadyWav;

// Collects what the mixer reports, from the mixing thread.
class MixLog {
  public:
    // The log must outlive the output's mixing.
    void attach(AudioOutput& output) {
        output.setObserver([this](const MixBlock& block) {
            std::lock_guard lock(mutex_);
            blocks_.push_back({block.streamFrames, block.clipFrames});
            changed_.notify_all();
        });
    }
    struct Entry {
        std::size_t streamFrames, clipFrames;
    };
    std::size_t size() {
        std::lock_guard lock(mutex_);
        return blocks_.size();
    }
    std::vector<Entry> since(std::size_t from) {
        std::lock_guard lock(mutex_);
        return {blocks_.begin() + std::ptrdiff_t(std::min(from, blocks_.size())), blocks_.end()};
    }
    // Waits until `done(entry)` holds for a block mixed after block `from`.
    template <typename Done>
    bool waitFor(std::size_t from, Done done, std::chrono::milliseconds timeout = 10s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] {
            for (std::size_t i = from; i < blocks_.size(); ++i) {
                if (done(blocks_[i])) return true;
            }
            return false;
        });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Entry> blocks_;  // guarded by mutex_
};

// Real time here: these tests are about what the mixer does, not the pace.
// The sink and the log come first so that they outlive the player's threads and the mixer.
class MixerTest : public ::testing::Test {
  protected:
    void SetUp() override { log.attach(output); }
    RecordingSink sink;
    MixLog log;
    AudioOutput output{AudioOptions{.openDevice = false, .clockSpeed = 1}};
    Mp3PlayerService player{output};
};

TEST_F(MixerTest, PauseHaltsTheMp3AloneAndCuesStillSound) {
    player.playMp3(fixture("vbr_stereo_44k_xing.mp3"), 0, sink);
    ASSERT_TRUE(log.waitFor(0, [](auto& e) { return e.streamFrames > 0; }));
    player.pauseMp3();
    const std::size_t paused = log.size();
    ASSERT_TRUE(player.playSoundBytes(steadyWav(22050, 22050, 0.3f)));  // one second
    ASSERT_TRUE(log.waitFor(paused, [](auto& e) { return e.clipFrames > 0; }));
    // Blocks mixed after the pause took effect carry no MP3 sound.
    const std::size_t later = log.size() + 1;
    ASSERT_TRUE(log.waitFor(later, [](auto& e) { return e.clipFrames > 0; }));
    for (const auto& e : log.since(later)) EXPECT_EQ(e.streamFrames, 0u);
    EXPECT_EQ(player.mp3PlayState(), -1);
    player.resumeMp3();
    const std::size_t resumed = log.size();
    EXPECT_TRUE(log.waitFor(resumed, [](auto& e) { return e.streamFrames > 0; }));
}

TEST_F(MixerTest, StopSilencesEveryCue) {
    player.playMp3(fixture("vbr_stereo_44k_xing.mp3"), 0, sink);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(player.playSoundBytes(steadyWav(22050, 22050 * 5, 0.1f)));
    }
    ASSERT_TRUE(log.waitFor(0, [](auto& e) { return e.clipFrames > 0 && e.streamFrames > 0; }));
    player.stopPlaying();
    EXPECT_EQ(player.mp3PlayState(), 0);
    // With nothing left to sound the mixer idles; a new MP3 makes it mix again, alone.
    const std::size_t stopped = log.size() + 1;
    player.playMp3(fixture("vbr_stereo_44k_xing.mp3"), 0, sink);
    ASSERT_TRUE(log.waitFor(stopped, [](auto& e) { return e.streamFrames > 0; }));
    for (const auto& e : log.since(stopped)) EXPECT_EQ(e.clipFrames, 0u);
}

// The disk driver writes what the device plays to a file: float stereo at 44.1 kHz here.
class DiskOutput : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = ::testing::TempDir() + "/ywf_disk_audio_" + std::to_string(::getpid()) + ".raw";
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
    }
    void TearDown() override {
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        // YWF_KEEP_DISK_AUDIO=1 keeps the file, to listen to what was played
        // (raw float stereo at 44.1 kHz).
        if (!std::getenv("YWF_KEEP_DISK_AUDIO")) std::remove(path_.c_str());
    }
    // Left channel of what was played; call after the output is gone.
    std::vector<float> playedLeft() {
        std::ifstream in(path_, std::ios::binary);
        const std::vector<char> raw{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
        std::vector<float> left(raw.size() / 8);
        for (std::size_t i = 0; i < left.size(); ++i) std::memcpy(&left[i], raw.data() + i * 8, 4);
        return left;
    }
    std::string path_;
};

TEST_F(DiskOutput, CueIsMixedOverTheMp3WithClipping) {
    {
        RecordingSink sink;
        MixLog log;
        AudioOutput output{AudioOptions{}};
        ASSERT_TRUE(output.hasDevice());
        ASSERT_EQ(output.rate(), 44100);
        ASSERT_EQ(output.channels(), 2);
        log.attach(output);
        Mp3PlayerService player{output};
        // A 440 Hz tone of amplitude 0.5, then a steady level of 0.6 on top of it for half
        // a second: the sum reaches 1.1 and must be clipped to 1.
        player.playMp3(fixture("cbr_stereo_44k_info_id3.mp3"), 0, sink);
        ASSERT_TRUE(sink.waitForValue(10));
        ASSERT_TRUE(player.playSoundBytes(steadyWav(22050, 11025, 0.6f)));
        const std::size_t cueStart = log.size();
        ASSERT_TRUE(log.waitFor(cueStart, [](auto& e) { return e.clipFrames > 0; }));
        const std::size_t cueOn = log.size();
        ASSERT_TRUE(log.waitFor(cueOn, [](auto& e) { return e.clipFrames == 0; }));
        player.stopPlaying();
    }
    const std::vector<float> left = playedLeft();
    // Windows of ten tone periods: their mean shows the cue, their spread the tone.
    constexpr std::size_t kWindow = 1002;
    std::size_t toneAlone = 0, mixed = 0;
    float peak = 0;
    for (std::size_t at = 0; at + kWindow <= left.size(); at += kWindow) {
        double sum = 0, squares = 0;
        for (std::size_t i = at; i < at + kWindow; ++i) {
            sum += left[i];
            squares += double(left[i]) * left[i];
            peak = std::max(peak, std::abs(left[i]));
        }
        const double mean = sum / kWindow;
        const double spread = std::sqrt(std::max(0.0, squares / kWindow - mean * mean));
        if (std::abs(mean) < 0.05 && spread > 0.25) ++toneAlone;
        if (std::abs(mean - 0.55) < 0.1 && spread > 0.15) ++mixed;
    }
    EXPECT_GT(toneAlone, 5u) << "the MP3 was heard on its own";
    EXPECT_GT(mixed, 5u) << "the cue was heard over the MP3";
    EXPECT_LE(peak, 1.0f);
    EXPECT_GT(peak, 0.99f) << "the sum reached the clipping level";
}

TEST_F(DiskOutput, SpokenCueReachesTheDevice) {
    {
        MixLog log;
        AudioOutput output{AudioOptions{}};
        ASSERT_TRUE(output.hasDevice());
        log.attach(output);
        Mp3PlayerService player{output};
        ASSERT_TRUE(player.playSoundBytes(markStartCue()));
        ASSERT_TRUE(log.waitFor(0, [](auto& e) { return e.clipFrames > 0; }));
        const std::size_t on = log.size();
        ASSERT_TRUE(log.waitFor(on, [](auto& e) { return e.clipFrames == 0; }));
    }
    const std::vector<float> left = playedLeft();
    std::size_t loud = 0;
    for (float s : left) loud += std::abs(s) > 0.05f;
    // Resampled to 44.1 kHz the clip spans about 41,000 frames, most of them speech.
    EXPECT_GT(loud, 10000u);
}

}  // namespace
}  // namespace ywf
