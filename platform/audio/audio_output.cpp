#include "platform/audio/audio_output.hpp"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace ywf {

namespace {

using Clock = std::chrono::steady_clock;

// A device that takes no sound for this long, while sound waits for it, is taken as gone.
constexpr auto kStallLimit = std::chrono::seconds(2);

struct StreamState {
    std::deque<SDL_AudioStream*> streams;  // the front is mixed, the back is written
    int rate = 0;                          // format of the back stream
    int channels = 0;
    bool paused = false;
    bool ended = false;
    std::uint64_t mixedFrames = 0;  // grows whenever the mixer takes sound from the voice
};

}  // namespace

struct AudioCore {
    AudioOptions options;
    int rate = 44100;
    int channels = 2;
    SDL_AudioDeviceID device = 0;  // set before mixing starts, then read only

    std::mutex mutex;
    std::condition_variable mixed;               // a block was mixed, or a voice was detached
    std::condition_variable clockWake;           // there is sound for the stand-in clock to take
    std::map<std::size_t, StreamState> streams;  // guarded by mutex
    std::vector<SDL_AudioStream*> clips;         // guarded by mutex
    std::size_t nextId = 1;                      // guarded by mutex
    MixObserver observer;                        // guarded by mutex
    bool closing = false;                        // guarded by mutex
    std::vector<float> scratch;                  // guarded by mutex (mixing only)

    std::thread clockThread;  // the stand-in clock when there is no device

    ~AudioCore() {
        for (auto& [id, state] : streams) {
            for (SDL_AudioStream* s : state.streams) SDL_FreeAudioStream(s);
        }
        for (SDL_AudioStream* s : clips) SDL_FreeAudioStream(s);
    }

    std::size_t bytesPerFrame() const { return sizeof(float) * std::size_t(channels); }

    // Adds up to `frames` frames of `stream` into `out`; returns how many it had.
    std::size_t addFrom(SDL_AudioStream* stream, float* out, std::size_t frames) {
        const std::size_t want = frames * std::size_t(channels);
        if (scratch.size() < want) scratch.resize(want);
        const int got = SDL_AudioStreamGet(stream, scratch.data(), int(want * sizeof(float)));
        if (got <= 0) return 0;
        const std::size_t samples = std::size_t(got) / sizeof(float);
        for (std::size_t i = 0; i < samples; ++i) out[i] += scratch[i];
        return samples / std::size_t(channels);
    }

    // Mixes `frames` frames into `out`. Mixing thread; takes the mutex.
    void mix(float* out, std::size_t frames) {
        const std::size_t samples = frames * std::size_t(channels);
        std::fill(out, out + samples, 0.0f);
        std::lock_guard lock(mutex);
        std::size_t streamFrames = 0;
        for (auto& [id, state] : streams) {
            if (state.paused) continue;
            std::size_t done = 0;
            while (done < frames && !state.streams.empty()) {
                const std::size_t got = addFrom(state.streams.front(),
                                                out + done * std::size_t(channels), frames - done);
                done += got;
                if (done < frames && state.streams.size() > 1) {
                    // The front stream ended with a format change: go on with the next one.
                    SDL_FreeAudioStream(state.streams.front());
                    state.streams.pop_front();
                } else if (got == 0) {
                    break;
                }
            }
            state.mixedFrames += done;
            streamFrames += done;
        }
        std::size_t clipFrames = 0;
        for (auto it = clips.begin(); it != clips.end();) {
            const std::size_t got = addFrom(*it, out, frames);
            clipFrames = std::max(clipFrames, got);
            if (got < frames && SDL_AudioStreamAvailable(*it) == 0) {
                SDL_FreeAudioStream(*it);
                it = clips.erase(it);
            } else {
                ++it;
            }
        }
        for (std::size_t i = 0; i < samples; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
        if (observer) observer(MixBlock{out, frames, channels, streamFrames, clipFrames});
        mixed.notify_all();
    }

    // Is there anything for the stand-in clock to take? Caller holds the mutex.
    bool busy() const {
        if (!clips.empty()) return true;
        for (const auto& [id, state] : streams) {
            if (state.paused) continue;
            for (SDL_AudioStream* s : state.streams) {
                if (SDL_AudioStreamAvailable(s) > 0) return true;
            }
        }
        return false;
    }

    // The stand-in clock: takes the mix at the device's pace, times the clock speed.
    void runClock() {
        std::vector<float> block(std::size_t(options.blockFrames) * std::size_t(channels));
        const double framesPerSecond = rate * std::max(options.clockSpeed, 0.001);
        auto last = Clock::now();
        double owed = 0;
        std::unique_lock lock(mutex);
        while (!closing) {
            if (!busy()) {
                clockWake.wait(lock, [&] { return closing || busy(); });
                last = Clock::now();
                owed = 0;
                continue;
            }
            clockWake.wait_for(lock, std::chrono::milliseconds(5));
            const auto now = Clock::now();
            owed += std::chrono::duration<double>(now - last).count() * framesPerSecond;
            last = now;
            while (owed >= 1 && !closing) {
                const auto frames = std::size_t(std::min<double>(owed, options.blockFrames));
                owed -= double(frames);
                lock.unlock();
                mix(block.data(), frames);
                lock.lock();
            }
        }
    }

    static void callback(void* user, Uint8* stream, int length) {
        auto* core = static_cast<AudioCore*>(user);
        core->mix(reinterpret_cast<float*>(stream), std::size_t(length) / core->bytesPerFrame());
    }

    // Waits, with the mutex held, until `done` holds for voice `id`; a voice that is gone
    // ends the wait with false. While the voice is not paused and the mixer takes none of
    // its sound for kStallLimit, the wait ends with true.
    template <typename Done>
    bool waitOn(std::unique_lock<std::mutex>& lock, std::size_t id, Done done) {
        std::uint64_t seen = 0;
        auto since = Clock::now();
        for (;;) {
            auto it = streams.find(id);
            if (it == streams.end() || closing) return false;
            if (done(it->second)) return true;
            if (it->second.paused || it->second.mixedFrames != seen) {
                seen = it->second.mixedFrames;
                since = Clock::now();
            } else if (Clock::now() - since > kStallLimit) {
                return true;
            }
            mixed.wait_for(lock, std::chrono::milliseconds(100));
        }
    }

    std::size_t heldFrames(const StreamState& state) const {
        std::size_t bytes = 0;
        for (SDL_AudioStream* s : state.streams) bytes += std::size_t(SDL_AudioStreamAvailable(s));
        return bytes / bytesPerFrame();
    }
};

StreamVoice::StreamVoice(std::shared_ptr<AudioCore> core, std::size_t id)
    : core_(std::move(core)), id_(id) {}

StreamVoice::~StreamVoice() {
    detach();
}

bool StreamVoice::setFormat(int rate, int channels) {
    std::lock_guard lock(core_->mutex);
    auto it = core_->streams.find(id_);
    if (it == core_->streams.end()) return false;
    StreamState& state = it->second;
    if (state.rate == rate && state.channels == channels && !state.streams.empty()) return true;
    SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_F32SYS, Uint8(channels), rate, AUDIO_F32SYS,
                                                 Uint8(core_->channels), core_->rate);
    if (stream == nullptr) return false;
    if (!state.streams.empty()) SDL_AudioStreamFlush(state.streams.back());
    state.streams.push_back(stream);
    state.rate = rate;
    state.channels = channels;
    return true;
}

bool StreamVoice::write(const float* samples, std::size_t frames) {
    std::lock_guard lock(core_->mutex);
    auto it = core_->streams.find(id_);
    if (it == core_->streams.end()) return false;
    StreamState& state = it->second;
    if (state.streams.empty() || frames == 0) return true;
    const std::size_t bytes = frames * std::size_t(state.channels) * sizeof(float);
    SDL_AudioStreamPut(state.streams.back(), samples, int(bytes));
    core_->clockWake.notify_all();
    return true;
}

bool StreamVoice::waitForRoom(double seconds) {
    const auto limit = std::size_t(seconds * core_->rate);
    std::unique_lock lock(core_->mutex);
    return core_->waitOn(
        lock, id_, [&](const StreamState& state) { return core_->heldFrames(state) < limit; });
}

bool StreamVoice::drain() {
    std::unique_lock lock(core_->mutex);
    auto it = core_->streams.find(id_);
    if (it == core_->streams.end()) return false;
    if (!it->second.ended) {
        it->second.ended = true;
        if (!it->second.streams.empty()) SDL_AudioStreamFlush(it->second.streams.back());
        core_->clockWake.notify_all();
    }
    return core_->waitOn(lock, id_,
                         [&](const StreamState& state) { return core_->heldFrames(state) == 0; });
}

void StreamVoice::setPaused(bool paused) {
    std::lock_guard lock(core_->mutex);
    auto it = core_->streams.find(id_);
    if (it == core_->streams.end()) return;
    it->second.paused = paused;
    core_->clockWake.notify_all();
    core_->mixed.notify_all();
}

void StreamVoice::detach() {
    std::lock_guard lock(core_->mutex);
    auto it = core_->streams.find(id_);
    if (it == core_->streams.end()) return;
    for (SDL_AudioStream* s : it->second.streams) SDL_FreeAudioStream(s);
    core_->streams.erase(it);
    core_->mixed.notify_all();
}

AudioOutput::AudioOutput(AudioOptions options) : core_(std::make_shared<AudioCore>()) {
    core_->options = options;
    core_->rate = options.rate;
    core_->channels = options.channels;
    if (options.openDevice) {
        // The GUI owns SIGINT and SIGTERM; SDL must not take them.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
            SDL_AudioSpec want{};
            want.freq = options.rate;
            want.format = AUDIO_F32SYS;  // not allowed to change: SDL converts if it must
            want.channels = Uint8(options.channels);
            want.samples = Uint16(options.blockFrames);
            want.callback = &AudioCore::callback;
            want.userdata = core_.get();
            SDL_AudioSpec have{};
            core_->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                                SDL_AUDIO_ALLOW_FREQUENCY_CHANGE |
                                                    SDL_AUDIO_ALLOW_CHANNELS_CHANGE |
                                                    SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
            if (core_->device != 0) {
                core_->rate = have.freq;
                core_->channels = have.channels;
                SDL_PauseAudioDevice(core_->device, 0);
            } else {
                SDL_QuitSubSystem(SDL_INIT_AUDIO);
            }
        }
    }
    if (core_->device == 0) {
        core_->clockThread = std::thread([core = core_.get()] { core->runClock(); });
    }
}

AudioOutput::~AudioOutput() {
    {
        std::lock_guard lock(core_->mutex);
        core_->closing = true;
        core_->clockWake.notify_all();
        core_->mixed.notify_all();
    }
    if (core_->device != 0) {
        SDL_CloseAudioDevice(core_->device);  // returns once the callback has finished
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    if (core_->clockThread.joinable()) core_->clockThread.join();
    // Voices that outlive the output find themselves detached.
    std::lock_guard lock(core_->mutex);
    for (auto& [id, state] : core_->streams) {
        for (SDL_AudioStream* s : state.streams) SDL_FreeAudioStream(s);
    }
    core_->streams.clear();
    for (SDL_AudioStream* s : core_->clips) SDL_FreeAudioStream(s);
    core_->clips.clear();
}

bool AudioOutput::hasDevice() const {
    return core_->device != 0;
}
int AudioOutput::rate() const {
    return core_->rate;
}
int AudioOutput::channels() const {
    return core_->channels;
}

std::unique_ptr<StreamVoice> AudioOutput::addStream() {
    std::lock_guard lock(core_->mutex);
    const std::size_t id = core_->nextId++;
    if (!core_->closing) core_->streams.emplace(id, StreamState{});
    return std::unique_ptr<StreamVoice>(new StreamVoice(core_, id));
}

bool AudioOutput::playClip(int rate, int channels, const std::vector<float>& samples) {
    if (rate <= 0 || channels <= 0 || channels > 8) return false;
    SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_F32SYS, Uint8(channels), rate, AUDIO_F32SYS,
                                                 Uint8(core_->channels), core_->rate);
    if (stream == nullptr) return false;
    if (!samples.empty() &&
        SDL_AudioStreamPut(stream, samples.data(), int(samples.size() * sizeof(float))) != 0) {
        SDL_FreeAudioStream(stream);
        return false;
    }
    SDL_AudioStreamFlush(stream);
    std::lock_guard lock(core_->mutex);
    if (core_->closing) {
        SDL_FreeAudioStream(stream);
        return false;
    }
    core_->clips.push_back(stream);
    core_->clockWake.notify_all();
    return true;
}

void AudioOutput::silenceClips() {
    std::lock_guard lock(core_->mutex);
    for (SDL_AudioStream* s : core_->clips) SDL_FreeAudioStream(s);
    core_->clips.clear();
}

void AudioOutput::setObserver(MixObserver observer) {
    std::lock_guard lock(core_->mutex);
    core_->observer = std::move(observer);
}

}  // namespace ywf
