#pragma once

// The one audio output of the process: an SDL2 device fed by a small mixer that sums the
// MP3 voice and any number of cue clips, with clipping. Voices bring their own rate and
// channel count; SDL_AudioStream converts them to the device's. When no device can be
// opened, a stand-in clock consumes the mix at the device's pace instead, silently, so
// playback keeps its timing.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace ywf {

struct AudioOptions {
    // False never opens an SDL device: the stand-in clock paces the mix (tests, benchmarks).
    bool openDevice = true;
    // How fast the stand-in clock runs: 1 is real time, 50 plays a second in 20 ms.
    double clockSpeed = 1.0;
    int rate = 44100;
    int channels = 2;
    int blockFrames = 512;  // frames mixed per device callback, about 12 ms at 44.1 kHz
};

// What one call of the mixer produced; given to the observer on the mixing thread.
struct MixBlock {
    const float* samples;  // interleaved, `frames` × channels, already clipped to -1..1
    std::size_t frames;
    int channels;
    std::size_t streamFrames;  // frames that came from MP3 voices
    std::size_t clipFrames;    // the most frames that any one clip gave
};
using MixObserver = std::function<void(const MixBlock&)>;

class AudioOutput;
struct AudioCore;  // the mixer's shared state, in audio_output.cpp

// The voice of one MP3 player. Written by its decoder thread, paused and detached by the
// GUI thread, read by the mixing thread; every member call is thread-safe.
class StreamVoice {
  public:
    ~StreamVoice();
    StreamVoice(const StreamVoice&) = delete;
    StreamVoice& operator=(const StreamVoice&) = delete;

    // Sets the format of the samples written from now on; a change lets the samples
    // already written play out first. False when SDL cannot convert that format.
    bool setFormat(int rate, int channels);
    // Appends interleaved float samples of the current format. False once detached.
    bool write(const float* samples, std::size_t frames);
    // Blocks until the voice holds less than `seconds` of sound. False once detached.
    bool waitForRoom(double seconds);
    // Marks the end of the sound and blocks until it has all been mixed. False once
    // detached. A device that stops taking sound for two seconds, while the voice is not
    // paused, ends the wait as well.
    bool drain();
    void setPaused(bool paused);
    // Silences the voice at once, drops what it holds and wakes its waiters.
    void detach();

  private:
    friend class AudioOutput;
    StreamVoice(std::shared_ptr<AudioCore> core, std::size_t id);
    std::shared_ptr<AudioCore> core_;
    std::size_t id_;
};

class AudioOutput {
  public:
    explicit AudioOutput(AudioOptions options = {});
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    bool hasDevice() const;
    int rate() const;
    int channels() const;

    // A new voice for an MP3 player, mixed until it is detached.
    std::unique_ptr<StreamVoice> addStream();
    // Plays interleaved float samples once, over everything else. False when the format
    // cannot be converted.
    bool playClip(int rate, int channels, const std::vector<float>& samples);
    // Silences every clip still sounding.
    void silenceClips();
    // Called on the mixing thread after each block; for tests and benchmarks.
    void setObserver(MixObserver observer);

  private:
    std::shared_ptr<AudioCore> core_;
};

}  // namespace ywf
