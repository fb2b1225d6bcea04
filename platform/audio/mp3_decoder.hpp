#pragma once

// libmpg123 in feed mode, one MPEG frame per call, gapless handling off so that every
// frame the stream holds comes out (the position reports count them).

#include <cstddef>
#include <span>
#include <vector>

#include "app/bytes.hpp"

typedef struct mpg123_handle_struct mpg123_handle;

namespace ywf {

class Mp3Decoder {
  public:
    enum class Result {
        frame,      // samples() holds the frame's sound
        newFormat,  // rate() and channels() changed; no sound this time
        needMore,   // feed more bytes
        error,      // the stream cannot be decoded further
    };

    Mp3Decoder();
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    bool ok() const { return handle_ != nullptr; }
    bool feed(ByteView bytes);
    Result decodeFrame();
    // Interleaved float samples of the last frame, valid until the next call.
    std::span<const float> samples() const { return samples_; }
    int rate() const { return rate_; }
    int channels() const { return channels_; }

  private:
    mpg123_handle* handle_ = nullptr;
    bool floatOutput_ = true;  // otherwise 16-bit, converted into converted_
    int rate_ = 0;
    int channels_ = 0;
    std::span<const float> samples_;
    std::vector<float> converted_;
};

}  // namespace ywf
