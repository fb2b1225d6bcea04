#include "platform/audio/mp3_scan.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ywf::mp3 {
namespace {

// Bitrates in kbit/s by [table][index]; index 0 is free format and 15 is reserved.
constexpr int kBitrates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // MPEG-1 L I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // MPEG-1 L II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},      // MPEG-1 L III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},     // MPEG-2 L I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},          // MPEG-2 L II/III
};

constexpr int kSampleRates[3][3] = {
    {44100, 48000, 32000},  // MPEG-1
    {22050, 24000, 16000},  // MPEG-2
    {11025, 12000, 8000},   // MPEG-2.5
};

// The longest frame any valid header describes is 1,729 bytes (layer II, 384 kbit/s,
// 32 kHz, padded); a window this long past a candidate always holds the next header.
constexpr std::size_t kMaxFrameBytes = 2048;

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

std::vector<std::uint8_t> readWindow(const ByteSource& source, std::uint64_t offset,
                                     std::size_t length) {
    std::vector<std::uint8_t> window;
    if (offset >= source.size()) return window;
    length = std::size_t(std::min<std::uint64_t>(length, source.size() - offset));
    window.resize(length);
    window.resize(source.read(offset, window));
    return window;
}

bool startsWith(ByteView bytes, std::size_t at, const char* tag) {
    const std::size_t n = std::strlen(tag);
    return at <= bytes.size() && bytes.size() - at >= n &&
           std::memcmp(bytes.data() + at, tag, n) == 0;
}

// Is the frame at `at` in `window` (which starts at file offset `base`) confirmed by what
// follows it: the next header of the same stream, the end of the source, or a tag?
// A frame cut short by the end of the source counts only when `allowShort` is set.
bool confirmed(ByteView window, std::size_t at, std::uint64_t base, std::uint64_t sourceSize,
               const FrameHeader& header, bool allowShort) {
    const std::uint64_t next = base + at + header.frameLength;
    if (next == sourceSize) return true;  // the last frame
    if (next > sourceSize) return allowShort;
    const std::size_t nextAt = at + header.frameLength;
    if (nextAt + 4 > window.size()) return false;
    if (const auto after = parseHeader(window.subspan(nextAt))) {
        return sameStream(header, *after);
    }
    return startsWith(window, nextAt, "TAG") || startsWith(window, nextAt, "ID3") ||
           startsWith(window, nextAt, "APETAGEX");
}

// The first confirmed frame in [from, from + kMaxJunkBytes]; `like` restricts it to one
// stream. The first frame of a file must be whole, so that random bytes near the end of a
// file that is not MP3 at all are not taken for a frame.
std::optional<std::uint64_t> findFrame(const ByteSource& source, std::uint64_t from,
                                       const FrameHeader* like) {
    const std::vector<std::uint8_t> window =
        readWindow(source, from, std::size_t(kMaxJunkBytes) + kMaxFrameBytes + 4);
    const ByteView bytes(window);
    const std::size_t last = std::min<std::size_t>(bytes.size(), std::size_t(kMaxJunkBytes) + 4);
    for (std::size_t at = 0; at + 4 <= last; ++at) {
        if (bytes[at] != 0xFF) continue;
        const auto header = parseHeader(bytes.subspan(at));
        if (!header || (like != nullptr && !sameStream(*like, *header))) continue;
        if (confirmed(bytes, at, from, source.size(), *header, like != nullptr)) return from + at;
    }
    return std::nullopt;
}

VbrHeader readVbrHeader(const ByteSource& source, std::uint64_t frameOffset,
                        const FrameHeader& header) {
    VbrHeader vbr;
    const std::vector<std::uint8_t> frame = readWindow(source, frameOffset, header.frameLength);
    const ByteView bytes(frame);
    if (header.layer != 3) return vbr;

    // Xing/Info follows the side information; some encoders put it after the CRC as well.
    std::vector<std::size_t> places = {4 + std::size_t(header.sideInfoSize)};
    if (header.crc) places.push_back(places[0] + 2);
    for (const std::size_t at : places) {
        const bool xing = startsWith(bytes, at, "Xing");
        if (!xing && !startsWith(bytes, at, "Info")) continue;
        if (at + 8 > bytes.size()) continue;
        const std::uint32_t flags = bigEndian32(bytes.data() + at + 4);
        std::size_t field = at + 8;
        VbrHeader found;
        found.kind = xing ? VbrKind::xing : VbrKind::info;
        if (flags & 1) {
            if (field + 4 > bytes.size()) continue;
            found.frames = bigEndian32(bytes.data() + field);
            field += 4;
        }
        if (flags & 2) {
            if (field + 4 > bytes.size()) continue;
            found.bytes = bigEndian32(bytes.data() + field);
            field += 4;
        }
        if (flags & 4) {
            if (field + 100 > bytes.size()) continue;
            std::array<std::uint8_t, 100> toc{};
            std::memcpy(toc.data(), bytes.data() + field, toc.size());
            found.toc = toc;
        }
        return found;
    }

    // VBRI sits 32 bytes after the header in every mode.
    constexpr std::size_t kVbri = 36;
    if (startsWith(bytes, kVbri, "VBRI") && kVbri + 26 <= bytes.size()) {
        vbr.kind = VbrKind::vbri;
        vbr.bytes = bigEndian32(bytes.data() + kVbri + 10);
        vbr.frames = bigEndian32(bytes.data() + kVbri + 14);
    }
    return vbr;
}

std::optional<StreamInfo> scanFrom(const ByteSource& source, std::uint64_t from) {
    const auto offset = findFrame(source, from, nullptr);
    if (!offset) return std::nullopt;
    StreamInfo info;
    info.fileSize = source.size();
    info.firstFrameOffset = *offset;
    std::uint8_t head[4];
    if (source.read(*offset, head) != 4) return std::nullopt;
    // Read again: a file changed on disk since findFrame may no longer hold the header.
    const auto first = parseHeader(head);
    if (!first) return std::nullopt;
    info.first = *first;
    info.vbr = readVbrHeader(source, *offset, info.first);
    if (info.vbr.frames && *info.vbr.frames > 0) {
        info.totalFrames = *info.vbr.frames;
    } else {
        info.totalFrames = std::max<std::uint64_t>(1, info.fileSize / info.first.frameLength);
    }
    return info;
}

}  // namespace

std::size_t MemorySource::read(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (offset >= bytes_.size()) return 0;
    const std::size_t n = std::size_t(std::min<std::uint64_t>(out.size(), bytes_.size() - offset));
    std::memcpy(out.data(), bytes_.data() + offset, n);
    return n;
}

std::optional<FrameHeader> parseHeader(ByteView bytes) {
    if (bytes.size() < 4) return std::nullopt;
    const std::uint8_t b1 = bytes[1], b2 = bytes[2], b3 = bytes[3];
    if (bytes[0] != 0xFF || (b1 & 0xE0) != 0xE0) return std::nullopt;
    const int versionBits = (b1 >> 3) & 3;
    const int layerBits = (b1 >> 1) & 3;
    const int bitrateIndex = b2 >> 4;
    const int rateIndex = (b2 >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3 || (b3 & 3) == 2) {
        return std::nullopt;
    }
    FrameHeader h;
    h.version = versionBits == 3   ? Version::mpeg1
                : versionBits == 2 ? Version::mpeg2
                                   : Version::mpeg25;
    h.layer = 4 - layerBits;
    h.crc = (b1 & 1) == 0;
    h.padding = (b2 >> 1) & 1;
    h.channels = (b3 >> 6) == 3 ? 1 : 2;
    const bool mpeg1 = h.version == Version::mpeg1;
    const int table = mpeg1 ? h.layer - 1 : (h.layer == 1 ? 3 : 4);
    h.bitrateKbps = kBitrates[table][bitrateIndex];
    h.sampleRate = kSampleRates[mpeg1 ? 0 : h.version == Version::mpeg2 ? 1 : 2][rateIndex];
    const std::uint32_t bitrate = std::uint32_t(h.bitrateKbps) * 1000;
    const std::uint32_t rate = std::uint32_t(h.sampleRate);
    const std::uint32_t pad = h.padding ? 1 : 0;
    switch (h.layer) {
        case 1:
            h.samplesPerFrame = 384;
            h.frameLength = (12 * bitrate / rate + pad) * 4;
            break;
        case 2:
            h.samplesPerFrame = 1152;
            h.frameLength = 144 * bitrate / rate + pad;
            break;
        default:
            h.samplesPerFrame = mpeg1 ? 1152 : 576;
            h.frameLength = (mpeg1 ? 144 : 72) * bitrate / rate + pad;
            h.sideInfoSize = mpeg1 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
            break;
    }
    return h;
}

bool sameStream(const FrameHeader& a, const FrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

std::uint64_t id3v2TagSize(const ByteSource& source, std::uint64_t offset) {
    std::uint8_t h[10];
    if (source.read(offset, h) != sizeof h) return 0;
    if (h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] == 0xFF || h[4] == 0xFF) return 0;
    std::uint64_t body = 0;
    for (int i = 6; i < 10; ++i) {
        if (h[i] & 0x80) return 0;  // not a sync-safe size: not a tag
        body = (body << 7) | h[i];
    }
    const bool footer = (h[5] & 0x10) != 0;
    return 10 + body + (footer ? 10 : 0);
}

std::optional<StreamInfo> scan(const ByteSource& source) {
    std::uint64_t offset = 0;
    while (const std::uint64_t tag = id3v2TagSize(source, offset)) offset += tag;
    if (auto info = scanFrom(source, offset)) return info;
    // A tag whose size field overshoots: look from the start instead.
    if (offset != 0) return scanFrom(source, 0);
    return std::nullopt;
}

std::optional<std::uint64_t> resync(const ByteSource& source, const FrameHeader& like,
                                    std::uint64_t from) {
    return findFrame(source, from, &like);
}

StartPoint startFor(const StreamInfo& info, const ByteSource& source, std::int32_t percent) {
    percent = std::clamp(percent, 0, 100);
    StartPoint start;
    if (percent == 0) return start;
    if (percent == 100) {
        start.atEnd = true;
        start.offset = info.fileSize;
        start.firstFrame = info.totalFrames;
        return start;
    }
    const auto p = std::uint64_t(percent);
    std::uint64_t guess;
    if (info.vbr.toc) {
        // The table maps a percentage to a byte position in 256ths of the stream, which
        // starts at the header frame. Its length is the header's byte count when that is
        // plausible, otherwise whatever follows the first frame.
        const std::uint64_t origin = info.firstFrameOffset;
        std::uint64_t length = info.fileSize - origin;
        if (info.vbr.bytes && *info.vbr.bytes > 0 && *info.vbr.bytes <= length) {
            length = *info.vbr.bytes;
        }
        guess = origin + scaleDown(length, (*info.vbr.toc)[std::size_t(p)], 256);
    } else {
        const std::uint64_t length = info.first.frameLength;
        guess = scaleDown(info.fileSize, p, 100) / length * length;
    }
    guess = std::max(guess, info.firstFrameOffset);
    const auto offset = resync(source, info.first, guess);
    if (!offset) {
        start.atEnd = true;
        start.offset = info.fileSize;
        start.firstFrame = info.totalFrames;
        return start;
    }
    start.offset = *offset;
    start.firstFrame = scaleDown(info.totalFrames, p, 100);
    return start;
}

std::int32_t percentOf(std::uint64_t n, std::uint64_t totalFrames) {
    if (totalFrames == 0 || n >= totalFrames) return 99;
    // n < T, so n * 100 / T < 100; the product fits unless n is beyond any real file.
    if (n < (std::uint64_t(1) << 56))
        return std::int32_t(std::min<std::uint64_t>(99, n * 100 / totalFrames));
    return std::int32_t(std::min<long double>(99, (long double)n * 100 / (long double)totalFrames));
}

std::optional<std::uint64_t> tocStartOffset(ByteView wholeFile, std::int32_t percent) {
    const MemorySource source(wholeFile);
    const auto info = scan(source);
    if (!info || !info->vbr.toc) return std::nullopt;
    const StartPoint start = startFor(*info, source, percent);
    return start.atEnd ? info->fileSize : start.offset;
}

}  // namespace ywf::mp3
