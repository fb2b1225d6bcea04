#pragma once

// Helpers shared by the audio tests: a sink that records posts from any thread, fixture
// paths and small WAV files made on the spot.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/feedback.hpp"

namespace ywf::testing {

inline std::string fixture(const std::string& name) {
    return std::string(YWF_MP3_FIXTURES) + "/" + name;
}

// Records every post in order; post() may come from any thread.
class RecordingSink final : public FeedbackSink {
  public:
    void post(std::int32_t param1, std::int32_t param2) override {
        std::lock_guard lock(mutex_);
        values_.push_back(param1);
        if (param2 != 0) nonZeroParam2_ = true;
        changed_.notify_all();
    }

    std::vector<std::int32_t> values() const {
        std::lock_guard lock(mutex_);
        return values_;
    }

    bool nonZeroParam2() const {
        std::lock_guard lock(mutex_);
        return nonZeroParam2_;
    }

    // Waits until `done(values)` holds; false when `timeout` passes first.
    template <typename Done>
    bool waitUntil(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return done(values_); });
    }

    bool waitForEnd(std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        return waitUntil([](const auto& v) { return !v.empty() && v.back() == 100; }, timeout);
    }
    bool waitForCount(std::size_t count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        return waitUntil([&](const auto& v) { return v.size() >= count; }, timeout);
    }
    bool waitForValue(std::int32_t atLeast,
                      std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        return waitUntil([&](const auto& v) { return !v.empty() && v.back() >= atLeast; }, timeout);
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::int32_t> values_;  // guarded by mutex_
    bool nonZeroParam2_ = false;        // guarded by mutex_
};

// A mono 16-bit WAV of `frames` samples, all of the value `level` (-1..1).
inline std::vector<std::uint8_t> steadyWav(int rate, std::size_t frames, float level) {
    std::vector<std::uint8_t> b;
    const auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
    };
    const auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(t[i]));
    };
    const std::uint32_t dataBytes = std::uint32_t(frames * 2);
    tag("RIFF");
    put(4 + 8 + 16 + 8 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(std::uint32_t(rate), 4);
    put(std::uint32_t(rate * 2), 4);
    put(2, 2);
    put(16, 2);
    tag("data");
    put(dataBytes, 4);
    const auto sample = std::uint16_t(std::int16_t(level * 32767.0f));
    for (std::size_t i = 0; i < frames; ++i) put(sample, 2);
    return b;
}

}  // namespace ywf::testing
