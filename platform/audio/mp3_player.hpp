#pragma once

// The MP3 player service and the sound from memory, over one AudioOutput.
//
// One current player at a time. Each player decodes on a thread of its own, paced by the
// audio output (it stays at most `leadSeconds` ahead of the mixer), counts the frames it
// decodes and posts the position n * 100 / T to its sink whenever that changes; at the
// end of the file, or when decoding cannot go on, its state becomes 0 and it posts 100.

#include <memory>

#include "platform/audio/audio_output.hpp"
#include "platform/services.hpp"

namespace ywf {

struct PlayerOptions {
    // How far decoding may run ahead of the mixer. The reports run ahead of what is heard
    // by this much plus the device's own buffer.
    double leadSeconds = 0.1;
};

class Mp3PlayerService final : public Player {
  public:
    // `output` must outlive the service. A sink given to playMp3 must outlive that player:
    // until the next playMp3 or stopPlaying, or the service's end.
    explicit Mp3PlayerService(AudioOutput& output, PlayerOptions options = {});
    // Stops all playback like stopPlaying.
    ~Mp3PlayerService() override;

    // GUI thread, like every call below.
    void playMp3(const std::string& path, std::int32_t startPercent, FeedbackSink& sink) override;
    std::int32_t mp3PlayState() override;
    void pauseMp3() override;
    void resumeMp3() override;
    void stopPlaying() override;
    bool playSoundBytes(ByteView wav) override;

    class Session;  // one player: its file, its decoder thread and its voice

  private:
    void discardCurrent();

    AudioOutput& output_;
    PlayerOptions options_;
    std::unique_ptr<Session> current_;  // GUI thread only
};

}  // namespace ywf
