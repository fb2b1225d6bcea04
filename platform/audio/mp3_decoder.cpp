#include "platform/audio/mp3_decoder.hpp"

#include <mpg123.h>

#include <mutex>

namespace ywf {

Mp3Decoder::Mp3Decoder() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    int error = MPG123_OK;
    handle_ = mpg123_new(nullptr, &error);
    if (handle_ == nullptr) return;
    long flags = 0;
    double unused = 0;
    mpg123_getparam(handle_, MPG123_FLAGS, &flags, &unused);
    flags &= ~long(MPG123_GAPLESS);  // or frames inside the encoder delay are dropped
    flags |= MPG123_QUIET;
    mpg123_param(handle_, MPG123_FLAGS, flags, 0);

    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    floatOutput_ = mpg123_format_support(handle_, 44100, MPG123_ENC_FLOAT_32) != 0;
    const int encoding = floatOutput_ ? MPG123_ENC_FLOAT_32 : MPG123_ENC_SIGNED_16;
    mpg123_format_none(handle_);
    for (std::size_t i = 0; i < count; ++i) {
        mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, encoding);
    }
    if (mpg123_open_feed(handle_) != MPG123_OK) {
        mpg123_delete(handle_);
        handle_ = nullptr;
    }
}

Mp3Decoder::~Mp3Decoder() {
    if (handle_ != nullptr) mpg123_delete(handle_);
}

bool Mp3Decoder::feed(ByteView bytes) {
    return handle_ != nullptr && mpg123_feed(handle_, bytes.data(), bytes.size()) == MPG123_OK;
}

Mp3Decoder::Result Mp3Decoder::decodeFrame() {
    samples_ = {};
    if (handle_ == nullptr) return Result::error;
    off_t number = 0;
    unsigned char* audio = nullptr;
    std::size_t bytes = 0;
    const int result = mpg123_decode_frame(handle_, &number, &audio, &bytes);
    switch (result) {
        case MPG123_NEW_FORMAT: {
            long rate = 0;
            int channels = 0, encoding = 0;
            mpg123_getformat(handle_, &rate, &channels, &encoding);
            rate_ = int(rate);
            channels_ = channels;
            return Result::newFormat;
        }
        case MPG123_NEED_MORE:
            return Result::needMore;
        case MPG123_OK:
            if (audio != nullptr && bytes > 0) {
                if (floatOutput_) {
                    samples_ = std::span<const float>(reinterpret_cast<const float*>(audio),
                                                      bytes / sizeof(float));
                } else {
                    const auto* s16 = reinterpret_cast<const short*>(audio);
                    converted_.resize(bytes / sizeof(short));
                    for (std::size_t i = 0; i < converted_.size(); ++i) {
                        converted_[i] = float(s16[i]) / 32768.0f;
                    }
                    samples_ = converted_;
                }
            }
            return Result::frame;
        default:
            return Result::error;
    }
}

}  // namespace ywf
