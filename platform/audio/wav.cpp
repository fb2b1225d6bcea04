#include "platform/audio/wav.hpp"

#include <algorithm>
#include <cstring>

namespace ywf {
namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
std::uint16_t le16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}

bool tagIs(const std::uint8_t* p, const char* tag) {
    return std::memcmp(p, tag, 4) == 0;
}

constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kFloat = 3;
constexpr std::uint16_t kExtensible = 0xFFFE;

struct Format {
    std::uint16_t tag = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
    std::size_t blockAlign = 0;
};

std::optional<Format> readFormat(ByteView body) {
    if (body.size() < 16) return std::nullopt;
    Format f;
    f.tag = le16(body.data());
    f.channels = le16(body.data() + 2);
    f.rate = int(std::min<std::uint32_t>(le32(body.data() + 4), 0x7fffffff));
    f.blockAlign = le16(body.data() + 12);
    f.bits = le16(body.data() + 14);
    if (f.tag == kExtensible) {
        // The sub-format GUID begins with the plain format tag.
        if (body.size() < 40) return std::nullopt;
        f.tag = le16(body.data() + 24);
    }
    const bool pcm = f.tag == kPcm && (f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32);
    const bool flt = f.tag == kFloat && f.bits == 32;
    if (!pcm && !flt) return std::nullopt;
    if (f.channels < 1 || f.channels > 8 || f.rate < 1000 || f.rate > 384000) return std::nullopt;
    if (f.blockAlign != std::size_t(f.channels) * std::size_t(f.bits / 8)) return std::nullopt;
    return f;
}

float sampleAt(const std::uint8_t* p, const Format& f) {
    switch (f.bits) {
        case 8:
            return (float(p[0]) - 128.0f) / 128.0f;
        case 16:
            return float(std::int16_t(le16(p))) / 32768.0f;
        case 24: {
            const std::uint32_t u = (std::uint32_t(p[0]) << 8) | (std::uint32_t(p[1]) << 16) |
                                    (std::uint32_t(p[2]) << 24);
            return float(std::int32_t(u) >> 8) / 8388608.0f;
        }
        default:
            if (f.tag == kFloat) {
                const std::uint32_t bits = le32(p);
                float v;
                std::memcpy(&v, &bits, sizeof v);
                return v == v ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
            }
            return float(double(std::int32_t(le32(p))) / 2147483648.0);
    }
}

}  // namespace

std::optional<WavSound> decodeWav(ByteView file) {
    if (file.size() < 12 || !tagIs(file.data(), "RIFF") || !tagIs(file.data() + 8, "WAVE")) {
        return std::nullopt;
    }
    // The walk ends where the RIFF size says, or at the end of the bytes if that is sooner.
    const std::uint64_t riffEnd = std::uint64_t(le32(file.data() + 4)) + 8;
    const std::size_t end = std::size_t(std::min<std::uint64_t>(riffEnd, file.size()));
    std::optional<Format> format;
    std::optional<ByteView> data;
    std::size_t at = 12;
    while (at + 8 <= end) {
        const std::uint8_t* chunk = file.data() + at;
        const std::uint64_t size = le32(chunk + 4);
        if (size > end - at - 8) return std::nullopt;  // runs past the end
        const ByteView body = file.subspan(at + 8, std::size_t(size));
        if (tagIs(chunk, "fmt ") && !format) {
            format = readFormat(body);
            if (!format) return std::nullopt;
        } else if (tagIs(chunk, "data") && !data) {
            data = body;
        }
        at += 8 + std::size_t(size) + std::size_t(size & 1);
    }
    if (!format || !data) return std::nullopt;

    WavSound sound;
    sound.rate = format->rate;
    sound.channels = format->channels;
    const std::size_t bytesPerSample = std::size_t(format->bits / 8);
    const std::size_t count = data->size() / format->blockAlign * std::size_t(format->channels);
    sound.samples.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        sound.samples[i] = sampleAt(data->data() + i * bytesPerSample, *format);
    }
    return sound;
}

}  // namespace ywf
