#pragma once

#include <functional>

#include "platform/services.hpp"

namespace ywf {

// A Player whose real player, with its sound device, is made on first need or when
// start() is called, whichever comes first. Opening the device can take a good part of a
// second on some systems, so main() starts it just after the window is first shown
// instead of before. GUI thread only.
class DeferredPlayer final : public Player {
  public:
    // Makes the real player, owned by the caller, and returns it.
    using Factory = std::function<Player&()>;
    explicit DeferredPlayer(Factory factory) : factory_(std::move(factory)) {}

    void start() { player(); }

    void playMp3(const std::string& path, std::int32_t startPercent, FeedbackSink& sink) override {
        player().playMp3(path, startPercent, sink);
    }
    std::int32_t mp3PlayState() override { return real_ ? real_->mp3PlayState() : 0; }
    void pauseMp3() override { player().pauseMp3(); }
    void resumeMp3() override { player().resumeMp3(); }
    void stopPlaying() override {
        if (real_) real_->stopPlaying();
    }
    bool playSoundBytes(ByteView wav) override { return player().playSoundBytes(wav); }

  private:
    Player& player() {
        if (!real_) real_ = &factory_();
        return *real_;
    }
    Factory factory_;
    Player* real_ = nullptr;
};

}  // namespace ywf
