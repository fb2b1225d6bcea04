#include "platform/audio/mp3_player.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/mp3_decoder.hpp"
#include "platform/audio/mp3_scan.hpp"
#include "platform/audio/wav.hpp"

namespace ywf {
namespace {

// mpg123 in feed mode keeps asking for more while it meets bytes that are no frames; a
// player that has fed this much since its last frame gives up, as at the end of the file.
constexpr std::uint64_t kMaxBytesWithoutFrame = 256 * 1024;
constexpr std::size_t kFeedBytes = 16 * 1024;

// A regular file read with pread; owns the descriptor.
class FileSource final : public mp3::ByteSource {
  public:
    static std::unique_ptr<FileSource> open(const std::string& path) {
        // O_NONBLOCK keeps a FIFO from blocking the open; only regular files are played.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return nullptr;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::unique_ptr<FileSource>(new FileSource(fd, std::uint64_t(st.st_size)));
    }
    ~FileSource() override { ::close(fd_); }

    std::uint64_t size() const override { return size_; }
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n =
                ::pread(fd_, out.data() + done, out.size() - done, off_t(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += std::size_t(n);
        }
        return done;
    }

  private:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    int fd_;
    std::uint64_t size_;
};

}  // namespace

class Mp3PlayerService::Session {
  public:
    Session(std::unique_ptr<FileSource> source, const mp3::StreamInfo& info,
            const mp3::StartPoint& start, FeedbackSink& sink, std::unique_ptr<StreamVoice> voice,
            double leadSeconds)
        : source_(std::move(source)),
          info_(info),
          start_(start),
          sink_(sink),
          voice_(std::move(voice)),
          leadSeconds_(leadSeconds) {
        thread_ = std::thread([this] { run(); });
    }

    // Discards the player: once this returns, it posts nothing more and is silent.
    ~Session() {
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
        }
        cv_.notify_all();
        voice_->detach();
        thread_.join();
    }

    std::int32_t state() {
        std::lock_guard lock(mutex_);
        return state_;
    }

    void pause() {
        std::lock_guard lock(mutex_);
        if (state_ != 1) return;
        state_ = -1;
        voice_->setPaused(true);
    }

    void resume() {
        {
            std::lock_guard lock(mutex_);
            if (state_ != -1) return;
            state_ = 1;
            voice_->setPaused(false);
        }
        cv_.notify_all();
    }

  private:
    bool cancelled() {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }

    // Waits out a pause, then posts under the lock, so that nothing is posted while paused
    // or after the player was discarded. False when discarded.
    bool post(std::int32_t value) {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return state_ != -1 || cancelled_; });
        if (cancelled_) return false;
        if (value != lastPosted_) {
            sink_.post(value, 0);
            lastPosted_ = value;
        }
        return true;
    }

    // The end of the file or of what can be decoded: let the sound play out, then state 0
    // and the report 100.
    void finish() {
        if (!voice_->drain()) return;
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return state_ != -1 || cancelled_; });
        if (cancelled_) return;
        state_ = 0;
        sink_.post(100, 0);
    }

    // Decoder thread.
    void run() {
        if (start_.atEnd) return finish();
        Mp3Decoder decoder;
        if (!decoder.ok()) return finish();
        std::vector<std::uint8_t> chunk(kFeedBytes);
        std::uint64_t fed = start_.offset;
        std::uint64_t lastFrameAt = std::max(fed, info_.firstFrameOffset);
        std::uint64_t n = start_.firstFrame;
        // The start position goes out at once, even if no frame decodes after it.
        if (!post(mp3::percentOf(n, info_.totalFrames))) return;
        while (!cancelled()) {
            switch (decoder.decodeFrame()) {
                case Mp3Decoder::Result::newFormat:
                    if (decoder.channels() < 1 ||
                        !voice_->setFormat(decoder.rate(), decoder.channels())) {
                        return finish();
                    }
                    break;
                case Mp3Decoder::Result::frame: {
                    lastFrameAt = fed;
                    // The position at the start of this frame's sound.
                    if (!post(mp3::percentOf(n, info_.totalFrames))) return;
                    ++n;
                    const auto samples = decoder.samples();
                    const auto frames =
                        samples.size() / std::size_t(std::max(decoder.channels(), 1));
                    if (!voice_->write(samples.data(), frames)) return;
                    if (!voice_->waitForRoom(leadSeconds_)) return;
                    break;
                }
                case Mp3Decoder::Result::needMore: {
                    if (fed >= source_->size() ||
                        (fed > lastFrameAt && fed - lastFrameAt > kMaxBytesWithoutFrame)) {
                        return finish();
                    }
                    const auto want =
                        std::size_t(std::min<std::uint64_t>(chunk.size(), source_->size() - fed));
                    const std::size_t got = source_->read(fed, std::span(chunk.data(), want));
                    if (got == 0 || !decoder.feed(std::span(chunk.data(), got))) return finish();
                    fed += got;
                    break;
                }
                case Mp3Decoder::Result::error:
                    return finish();
            }
        }
    }

    // Set before the thread starts, then read only.
    const std::unique_ptr<FileSource> source_;
    const mp3::StreamInfo info_;
    const mp3::StartPoint start_;
    FeedbackSink& sink_;
    const std::unique_ptr<StreamVoice> voice_;  // thread-safe itself
    const double leadSeconds_;

    std::mutex mutex_;
    std::condition_variable cv_;    // state_ left -1, or cancelled_ was set
    std::int32_t state_ = 1;        // guarded by mutex_
    bool cancelled_ = false;        // guarded by mutex_
    std::int32_t lastPosted_ = -1;  // guarded by mutex_
    std::thread thread_;
};

Mp3PlayerService::Mp3PlayerService(AudioOutput& output, PlayerOptions options)
    : output_(output), options_(options) {}

Mp3PlayerService::~Mp3PlayerService() {
    stopPlaying();
}

void Mp3PlayerService::discardCurrent() {
    current_.reset();
}

void Mp3PlayerService::playMp3(const std::string& path, std::int32_t startPercent,
                               FeedbackSink& sink) {
    discardCurrent();
    if (path.empty()) return;
    auto source = FileSource::open(path);
    if (!source) return;
    const auto info = mp3::scan(*source);
    if (!info) return;
    const mp3::StartPoint start = mp3::startFor(*info, *source, startPercent);
    current_ = std::make_unique<Session>(std::move(source), *info, start, sink, output_.addStream(),
                                         options_.leadSeconds);
}

std::int32_t Mp3PlayerService::mp3PlayState() {
    return current_ ? current_->state() : 0;
}

void Mp3PlayerService::pauseMp3() {
    if (current_) current_->pause();
}

void Mp3PlayerService::resumeMp3() {
    if (current_) current_->resume();
}

void Mp3PlayerService::stopPlaying() {
    discardCurrent();
    output_.silenceClips();
}

bool Mp3PlayerService::playSoundBytes(ByteView wav) {
    const auto sound = decodeWav(wav);
    if (!sound) return false;
    return output_.playClip(sound->rate, sound->channels, sound->samples);
}

}  // namespace ywf
