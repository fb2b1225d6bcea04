#pragma once

// The MPEG audio frame scanner: finds the first frame of a file, reads its VBR header
// (Xing/Info or VBRI), and works out where playback starts for a whole percentage and how
// many frames the file holds. Pure C++; it never reads outside the bytes it is given.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "app/bytes.hpp"

namespace ywf::mp3 {

// Random access to the bytes of a file, so that large files need not be held whole.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Copies up to out.size() bytes from `offset` on; returns how many were copied (fewer
    // only at the end of the source or on a read error).
    virtual std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(ByteView bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) const override;

  private:
    ByteView bytes_;
};

enum class Version { mpeg1, mpeg2, mpeg25 };

struct FrameHeader {
    Version version = Version::mpeg1;
    int layer = 3;  // 1, 2 or 3
    int bitrateKbps = 0;
    int sampleRate = 0;
    int channels = 2;
    bool padding = false;
    bool crc = false;  // a 16-bit CRC follows the header
    std::uint32_t frameLength = 0;
    std::uint32_t samplesPerFrame = 0;
    // Bytes of layer III side information after the header (0 for layers I and II).
    std::uint32_t sideInfoSize = 0;
};

// Parses the four header bytes at the start of `bytes`. Free-format bitrates and the
// reserved values are refused.
std::optional<FrameHeader> parseHeader(ByteView bytes);

// Two headers belong to the same stream: same version, layer and sample rate.
bool sameStream(const FrameHeader& a, const FrameHeader& b);

enum class VbrKind { none, xing, info, vbri };

struct VbrHeader {
    VbrKind kind = VbrKind::none;
    std::optional<std::uint32_t> frames;  // audio frames, the header frame excluded (Xing)
    std::optional<std::uint32_t> bytes;
    std::optional<std::array<std::uint8_t, 100>> toc;  // Xing seek table
};

struct StreamInfo {
    std::uint64_t fileSize = 0;
    std::uint64_t firstFrameOffset = 0;  // after any ID3v2 tags and junk
    FrameHeader first;
    VbrHeader vbr;
    // T: the frame count of the VBR header when it gives one, otherwise the file size
    // (tags included) divided by the first frame's length; never 0.
    std::uint64_t totalFrames = 1;
};

// How far past the ID3v2 tags the scanner looks for the first frame.
inline constexpr std::uint64_t kMaxJunkBytes = 64 * 1024;

// The size of the ID3v2 tag at `offset` (header, body and footer), or 0 when none is there.
std::uint64_t id3v2TagSize(const ByteSource& source, std::uint64_t offset);

// Finds the first frame and reads its VBR header; nullopt when the source holds no MPEG
// audio stream.
std::optional<StreamInfo> scan(const ByteSource& source);

// The first position at or after `from` where a frame of the stream starts, confirmed by the
// frame after it (or by the end of the source, or a trailing tag). Looks no further than
// kMaxJunkBytes; nullopt when no frame is found.
std::optional<std::uint64_t> resync(const ByteSource& source, const FrameHeader& like,
                                    std::uint64_t from);

struct StartPoint {
    bool atEnd = false;            // nothing left to play: the player ends at once
    std::uint64_t offset = 0;      // where feeding the decoder starts
    std::uint64_t firstFrame = 0;  // n at that point: frames counted from the start of the file
};

// Where playback starts for `percent` (limited to 0..100). 0 starts at the beginning of
// the file; 100 is the end. In between, the Xing seek table when the first frame carries
// one, otherwise percent of the file size taken down to a multiple of the first frame's
// length; either way moved forward to the next frame header.
StartPoint startFor(const StreamInfo& info, const ByteSource& source, std::int32_t percent);

// The position report for `n` frames: n * 100 / T with the fraction cut off, limited to 0..99.
std::int32_t percentOf(std::uint64_t n, std::uint64_t totalFrames);

// When the file's first frame carries a Xing seek table, the byte offset at which the
// player starts playing at `percent` (100 gives the file size); nullopt otherwise.
std::optional<std::uint64_t> tocStartOffset(ByteView wholeFile, std::int32_t percent);

// floor(a * b / c) without overflow, for b <= c.
constexpr std::uint64_t scaleDown(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
    return (a / c) * b + (a % c) * b / c;
}

}  // namespace ywf::mp3
