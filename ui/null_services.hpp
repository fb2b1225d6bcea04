#pragma once

#include "platform/services.hpp"

namespace ywf {

// Stand-ins for the MP3 player and the system-wide hotkeys where the real services are
// not built in: the player plays nothing and reports nothing, and every hotkey is refused.
// FIXME: main() switches to the real player and X11 hotkeys once they are in the build.
class NullPlayer final : public Player {
  public:
    void playMp3(const std::string&, std::int32_t, FeedbackSink&) override {}
    std::int32_t mp3PlayState() override { return 0; }
    void pauseMp3() override {}
    void resumeMp3() override {}
    void stopPlaying() override {}
    bool playSoundBytes(ByteView) override { return false; }
};

class NullHotkeys final : public HotkeyService {
  public:
    std::int32_t registerHotkey(FeedbackSink&, std::int32_t, std::int32_t) override { return 0; }
    bool unregisterHotkey(std::int32_t) override { return false; }
};

}  // namespace ywf
