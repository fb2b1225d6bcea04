// Figures for the audio path; nothing here asserts a time.
//
//   audio_bench [mp3]
//
// 1. Decoder CPU time per minute of 128 kbit/s stereo audio (libmpg123 alone, and the
//    whole player with its mixer and rate conversion). Without an argument a one-minute
//    file is made in /tmp with sox and lame.
// 2. Hotkey to cue: from playSoundBytes to the first block of the device callback that
//    holds the cue's samples, with an MP3 playing.
// 3. Seek: from playMp3 at a new percentage to the first callback block that holds the
//    new player's samples.
// Run with SDL_AUDIODRIVER=dummy (the default here) or on a real device.

#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audition/cues.hpp"
#include "platform/audio/audio_output.hpp"
#include "platform/audio/mp3_decoder.hpp"
#include "platform/audio/mp3_player.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double cpuSeconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class NullSink final : public ywf::FeedbackSink {
  public:
    void post(std::int32_t p, std::int32_t) override {
        std::lock_guard lock(mutex_);
        last_ = p;
        changed_.notify_all();
    }
    bool waitFor(std::int32_t value, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return last_ == value; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::int32_t last_ = -1;
};

// The end of each mixed block, with what it held.
class BlockClock {
  public:
    explicit BlockClock(ywf::AudioOutput& output) {
        output.setObserver([this](const ywf::MixBlock& block) {
            std::lock_guard lock(mutex_);
            frames_ += block.frames;
            const auto now = Clock::now();
            if (waitingClip_ && block.clipFrames > 0) {
                waitingClip_ = false;
                clipAt_ = now;
                changed_.notify_all();
            }
            if (waitingStreamAfter_ && block.streamFrames > 0 && now > streamAfter_) {
                waitingStreamAfter_ = false;
                streamAt_ = now;
                changed_.notify_all();
            }
        });
    }
    void expectClip() {
        std::lock_guard lock(mutex_);
        waitingClip_ = true;
    }
    void expectStreamAfter(Clock::time_point t) {
        std::lock_guard lock(mutex_);
        streamAfter_ = t;
        waitingStreamAfter_ = true;
    }
    bool clip(Clock::time_point& at) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, 2s, [&] { return !waitingClip_; })) return false;
        at = clipAt_;
        return true;
    }
    bool stream(Clock::time_point& at) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, 2s, [&] { return !waitingStreamAfter_; })) return false;
        at = streamAt_;
        return true;
    }
    std::uint64_t frames() {
        std::lock_guard lock(mutex_);
        return frames_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool waitingClip_ = false;         // guarded by mutex_
    bool waitingStreamAfter_ = false;  // guarded by mutex_
    Clock::time_point streamAfter_, clipAt_, streamAt_;
    std::uint64_t frames_ = 0;  // guarded by mutex_
};

void printSpread(const char* what, std::vector<double> ms, double target) {
    if (ms.empty()) {
        std::printf("%-34s no samples\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s median %6.2f ms  p95 %6.2f ms  max %6.2f ms  (n=%zu, target <= %.0f ms)\n",
                what, ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back(), ms.size(), target);
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("SDL_AUDIODRIVER") == nullptr) ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string path;
    if (argc > 1) {
        path = argv[1];
    } else {
        path = "/tmp/ywf_bench_128k_stereo_60s.mp3";
        const std::string make =
            "sox -R -n -r 44100 -c 2 -b 16 /tmp/ywf_bench_60s.wav synth 60 pinknoise vol 0.3 "
            "&& lame --quiet -b 128 /tmp/ywf_bench_60s.wav " +
            path + " && rm -f /tmp/ywf_bench_60s.wav";
        if (std::system(make.c_str()) != 0) {
            std::fprintf(stderr, "could not make %s (needs sox and lame)\n", path.c_str());
            return 1;
        }
    }
    const std::vector<std::uint8_t> bytes = readFile(path);
    std::printf("file: %s, %zu bytes\n", path.c_str(), bytes.size());

    // 1a. libmpg123 alone, in feed mode as the player uses it.
    {
        const int rounds = 5;
        double seconds = 0, audio = 0;
        for (int r = 0; r < rounds; ++r) {
            ywf::Mp3Decoder decoder;
            std::size_t fed = 0, frames = 0;
            int rate = 44100;
            const double start = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            for (;;) {
                const auto result = decoder.decodeFrame();
                if (result == ywf::Mp3Decoder::Result::needMore) {
                    if (fed >= bytes.size()) break;
                    const std::size_t n = std::min<std::size_t>(16384, bytes.size() - fed);
                    decoder.feed(ywf::ByteView(bytes.data() + fed, n));
                    fed += n;
                } else if (result == ywf::Mp3Decoder::Result::newFormat) {
                    rate = decoder.rate();
                } else if (result == ywf::Mp3Decoder::Result::frame) {
                    frames +=
                        decoder.samples().size() / std::size_t(std::max(decoder.channels(), 1));
                } else {
                    break;
                }
            }
            seconds += cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - start;
            audio += double(frames) / rate;
        }
        const double perMinute = seconds / (audio / 60.0);
        std::printf(
            "decode (libmpg123 alone):          %.1f ms CPU per minute of audio = %.3f %% of one "
            "core\n",
            perMinute * 1000, perMinute / 60.0 * 100);
    }

    // 1b. The whole player: decoder thread, mixer, conversion; the stand-in clock at 60x.
    {
        ywf::AudioOutput output{ywf::AudioOptions{.openDevice = false, .clockSpeed = 60}};
        ywf::Mp3PlayerService player{output};
        NullSink sink;
        const double start = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const auto wall = Clock::now();
        player.playMp3(path, 0, sink);
        sink.waitFor(100, 120s);
        const double cpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - start;
        const double audioSeconds = std::chrono::duration<double>(Clock::now() - wall).count() * 60;
        std::printf(
            "player + mixer (no device):        %.1f ms CPU per minute of audio = %.3f %% of one "
            "core\n",
            cpu / (audioSeconds / 60) * 1000, cpu / audioSeconds * 100);
    }

    // 2 and 3 on the device.
    ywf::AudioOutput output{};
    std::printf("device: %s, %d Hz, %d channels\n",
                output.hasDevice() ? "open" : "none (stand-in clock)", output.rate(),
                output.channels());
    BlockClock blocks{output};
    ywf::Mp3PlayerService player{output};
    NullSink sink;
    {
        const auto t0 = Clock::now();
        const std::uint64_t f0 = blocks.frames();
        std::this_thread::sleep_for(1s);
        const double rate =
            double(blocks.frames() - f0) / std::chrono::duration<double>(Clock::now() - t0).count();
        std::printf("callback pace: %.0f frames/s\n", rate);
    }

    player.playMp3(path, 0, sink);
    std::vector<double> cue;
    for (int i = 0; i < 40; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(37 + (i * 13) % 50));
        blocks.expectClip();
        const auto t0 = Clock::now();
        player.playSoundBytes(i % 2 ? ywf::markEndCue() : ywf::markStartCue());
        Clock::time_point at;
        if (blocks.clip(at))
            cue.push_back(std::chrono::duration<double, std::milli>(at - t0).count());
    }
    printSpread("hotkey to cue in the callback:", cue, 30);

    std::vector<double> seek;
    for (int i = 0; i < 40; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(60 + (i * 17) % 50));
        const auto t0 = Clock::now();
        player.playMp3(path, 1 + (i * 7) % 98, sink);
        blocks.expectStreamAfter(Clock::now());
        Clock::time_point at;
        if (blocks.stream(at))
            seek.push_back(std::chrono::duration<double, std::milli>(at - t0).count());
    }
    printSpread("seek to sound in the callback:", seek, 50);
    player.stopPlaying();
    return 0;
}
