#include "platform/audio/mp3_scan.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace ywf::mp3 {
namespace {

std::vector<std::uint8_t> readFixture(const std::string& name) {
    std::ifstream in(std::string(YWF_MP3_FIXTURES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The facts tools/make_fixtures.sh prints for each fixture, worked out there independently.
struct FixtureFacts {
    const char* name;
    std::uint64_t size;
    std::uint64_t firstFrame;
    std::uint32_t frameLength;
    int sampleRate;
    Version version;
    VbrKind vbr;
    std::uint64_t totalFrames;
    bool toc;
    std::array<std::uint64_t, 4> starts;  // at 1, 10, 50 and 99 percent
};

constexpr std::array<std::int32_t, 4> kPercents = {1, 10, 50, 99};

const FixtureFacts kFixtures[] = {
    // No VBR header: T is the file size over the first frame's length.
    {"cbr_mono_44k.mp3",
     16196,
     0,
     104,
     44100,
     Version::mpeg1,
     VbrKind::none,
     155,
     false,
     {104, 1567, 8046, 16091}},
    {"cbr_mono_11k_mpeg25.mp3",
     12225,
     0,
     104,
     11025,
     Version::mpeg25,
     VbrKind::none,
     117,
     false,
     {104, 1149, 6060, 12121}},
    {"cbr_mono_48k_crc.mp3",
     24192,
     0,
     144,
     48000,
     Version::mpeg1,
     VbrKind::none,
     168,
     false,
     {144, 2304, 12096, 23904}},
    // An ID3v2.4 tag with a footer (42 bytes in all) and 300 bytes of junk before the frames.
    {"id3v24_footer_junk.mp3",
     16538,
     342,
     104,
     44100,
     Version::mpeg1,
     VbrKind::none,
     159,
     false,
     {342, 1596, 8283, 16329}},
    // Info header with a seek table, behind a 128-byte ID3v2.3 tag.
    {"cbr_stereo_44k_info_id3.mp3",
     32727,
     128,
     208,
     44100,
     Version::mpeg1,
     VbrKind::info,
     155,
     true,
     {544, 3470, 16427, 32518}},
    {"vbr_stereo_44k_xing.mp3",
     49307,
     0,
     417,
     44100,
     Version::mpeg1,
     VbrKind::xing,
     193,
     true,
     {1043, 6467, 25905, 49177}},
    {"vbr_mono_22k_mpeg2.mp3",
     29680,
     0,
     208,
     22050,
     Version::mpeg2,
     VbrKind::xing,
     194,
     true,
     {599, 3303, 16024, 29654}},
    // Its Xing byte count (49,307) is more than the file holds: the table scales the file.
    {"truncated.mp3",
     29621,
     0,
     417,
     44100,
     Version::mpeg1,
     VbrKind::xing,
     193,
     true,
     {1043, 3963, 15641, 29527}},
    // VBRI gives T, but no seek table is used: the size rule places the start.
    {"vbri_mono_44k.mp3",
     16300,
     0,
     104,
     44100,
     Version::mpeg1,
     VbrKind::vbri,
     156,
     false,
     {104, 1567, 8150, 16195}},
};

void PrintTo(const FixtureFacts& f, std::ostream* os) {
    *os << f.name;
}

class FixtureScan : public testing::TestWithParam<FixtureFacts> {};

TEST_P(FixtureScan, FindsTheStreamAndItsStartPoints) {
    const FixtureFacts& f = GetParam();
    const std::vector<std::uint8_t> bytes = readFixture(f.name);
    ASSERT_EQ(bytes.size(), f.size);
    const MemorySource source(bytes);
    const auto info = scan(source);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->fileSize, f.size);
    EXPECT_EQ(info->firstFrameOffset, f.firstFrame);
    EXPECT_EQ(info->first.frameLength, f.frameLength);
    EXPECT_EQ(info->first.sampleRate, f.sampleRate);
    EXPECT_EQ(info->first.version, f.version);
    EXPECT_EQ(info->first.layer, 3);
    EXPECT_EQ(info->vbr.kind, f.vbr);
    EXPECT_EQ(info->totalFrames, f.totalFrames);
    EXPECT_EQ(info->vbr.toc.has_value(), f.toc);

    for (std::size_t i = 0; i < kPercents.size(); ++i) {
        const StartPoint start = startFor(*info, source, kPercents[i]);
        EXPECT_FALSE(start.atEnd) << kPercents[i];
        EXPECT_EQ(start.offset, f.starts[i]) << kPercents[i] << "%";
        // n after the seek: the share of T, so the first report reads p or p - 1.
        const std::int32_t report = percentOf(start.firstFrame, info->totalFrames);
        EXPECT_GE(report, kPercents[i] - 1);
        EXPECT_LE(report, kPercents[i]);
        // What tocStartOffset gives the marks is where the player starts, for TOC files only.
        const auto offset = tocStartOffset(bytes, kPercents[i]);
        EXPECT_EQ(offset.has_value(), f.toc);
        if (offset) {
            EXPECT_EQ(*offset, f.starts[i]);
        }
    }

    // 0 plays the whole file from its first byte; 100 ends at once; beyond is limited.
    for (const std::int32_t p : {0, -5}) {
        const StartPoint start = startFor(*info, source, p);
        EXPECT_FALSE(start.atEnd);
        EXPECT_EQ(start.offset, 0u);
        EXPECT_EQ(start.firstFrame, 0u);
    }
    for (const std::int32_t p : {100, 250}) EXPECT_TRUE(startFor(*info, source, p).atEnd);
    if (f.toc) {
        EXPECT_EQ(tocStartOffset(bytes, 0), 0u);
        EXPECT_EQ(tocStartOffset(bytes, 100), f.size);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureScan, testing::ValuesIn(kFixtures),
                         [](const testing::TestParamInfo<FixtureFacts>& info) {
                             std::string name = info.param.name;
                             return name.substr(0, name.find('.'));
                         });

TEST(Mp3Scan, RefusesWhatIsNotMp3) {
    for (const char* name : {"garbage.mp3", "empty.mp3"}) {
        const std::vector<std::uint8_t> bytes = readFixture(name);
        EXPECT_FALSE(scan(MemorySource(bytes)).has_value()) << name;
        EXPECT_FALSE(tocStartOffset(bytes, 50).has_value()) << name;
    }
    // A lone sync word, a header without the frame it announces, and a tag with nothing after.
    const std::vector<std::vector<std::uint8_t>> crafted = {
        {0xFF, 0xFB},
        {0xFF, 0xFB, 0x90, 0x44, 0x00, 0x00},
        {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 2, 0, 0},
    };
    for (const auto& bytes : crafted) EXPECT_FALSE(scan(MemorySource(bytes)).has_value());
}

// The bytes of a file that is overwritten with zeros after `goodReads` reads, as when
// another program rewrites it while it is scanned.
class RewrittenSource final : public ByteSource {
  public:
    RewrittenSource(ByteView bytes, int goodReads) : bytes_(bytes), goodReads_(goodReads) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        const std::size_t n = MemorySource(bytes_).read(offset, out);
        if (reads_++ >= goodReads_) std::fill(out.begin(), out.begin() + std::ptrdiff_t(n), 0);
        return n;
    }

  private:
    ByteView bytes_;
    int goodReads_;
    mutable int reads_ = 0;
};

TEST(Mp3Scan, AFileRewrittenWhileScannedIsRefusedOrScannedWhole) {
    const std::vector<std::uint8_t> bytes = readFixture("cbr_mono_44k.mp3");
    for (int goodReads = 0; goodReads < 6; ++goodReads) {
        const auto info = scan(RewrittenSource(bytes, goodReads));
        if (!info) continue;
        EXPECT_TRUE(parseHeader(ByteView(bytes).subspan(info->firstFrameOffset)).has_value());
        EXPECT_GT(info->first.frameLength, 0u) << goodReads;
        EXPECT_GE(info->totalFrames, 1u) << goodReads;
    }
}

TEST(Mp3Scan, GarbageAfterAValidStartStillScans) {
    const std::vector<std::uint8_t> bytes = readFixture("garbage_tail.mp3");
    const MemorySource source(bytes);
    const auto info = scan(source);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->firstFrameOffset, 0u);
    EXPECT_EQ(startFor(*info, source, 1).offset, 209u);
}

TEST(Mp3Scan, ParsesHeadersOfEveryVersionAndLayer) {
    struct Case {
        std::array<std::uint8_t, 4> bytes;
        Version version;
        int layer, bitrate, rate, channels;
        std::uint32_t length, samples, sideInfo;
        bool crc;
    };
    const Case cases[] = {
        {{0xFF, 0xFB, 0x90, 0x44}, Version::mpeg1, 3, 128, 44100, 2, 417, 1152, 32, false},
        {{0xFF, 0xFB, 0x92, 0xC4}, Version::mpeg1, 3, 128, 44100, 1, 418, 1152, 17, false},
        {{0xFF, 0xFA, 0xE4, 0x00}, Version::mpeg1, 3, 320, 48000, 2, 960, 1152, 32, true},
        {{0xFF, 0xF3, 0x80, 0xC4}, Version::mpeg2, 3, 64, 22050, 1, 208, 576, 9, false},
        {{0xFF, 0xE3, 0x20, 0x00}, Version::mpeg25, 3, 16, 11025, 2, 104, 576, 17, false},
        {{0xFF, 0xFD, 0xA8, 0x00}, Version::mpeg1, 2, 192, 32000, 2, 864, 1152, 0, false},
        {{0xFF, 0xFF, 0xD2, 0x00}, Version::mpeg1, 1, 416, 44100, 2, 456, 384, 0, false},
    };
    for (const Case& c : cases) {
        const auto h = parseHeader(c.bytes);
        ASSERT_TRUE(h.has_value()) << int(c.bytes[1]) << " " << int(c.bytes[2]);
        EXPECT_EQ(h->version, c.version);
        EXPECT_EQ(h->layer, c.layer);
        EXPECT_EQ(h->bitrateKbps, c.bitrate);
        EXPECT_EQ(h->sampleRate, c.rate);
        EXPECT_EQ(h->channels, c.channels);
        EXPECT_EQ(h->frameLength, c.length);
        EXPECT_EQ(h->samplesPerFrame, c.samples);
        EXPECT_EQ(h->sideInfoSize, c.sideInfo);
        EXPECT_EQ(h->crc, c.crc);
    }
    const std::array<std::uint8_t, 4> refused[] = {
        {0xFF, 0xEB, 0x90, 0x44},  // reserved version
        {0xFF, 0xF9, 0x90, 0x44},  // reserved layer
        {0xFF, 0xFB, 0x00, 0x44},  // free format
        {0xFF, 0xFB, 0xF0, 0x44},  // bitrate index 15
        {0xFF, 0xFB, 0x9C, 0x44},  // reserved sample rate
        {0xFF, 0xFB, 0x90, 0x46},  // reserved emphasis
        {0xFE, 0xFB, 0x90, 0x44},  // no sync
    };
    for (const auto& bytes : refused) EXPECT_FALSE(parseHeader(bytes).has_value());
}

__extension__ typedef unsigned __int128 Wide;  // exact products for checking

// Frames of one fixed length, as far as an arbitrarily large size; every read is made up.
class EndlessCbr final : public ByteSource {
  public:
    explicit EndlessCbr(std::uint64_t size) : size_(size) {}
    std::uint64_t size() const override { return size_; }
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        static constexpr std::uint8_t kHeader[4] = {0xFF, 0xFB, 0x90, 0x44};  // 417 bytes
        std::size_t n = 0;
        for (; n < out.size() && offset + n < size_; ++n) {
            const std::uint64_t in = (offset + n) % 417;
            out[n] = in < 4 ? kHeader[in] : 0;
        }
        return n;
    }

  private:
    std::uint64_t size_;
};

TEST(Mp3Scan, SeeksWithoutOverflowInHugeFiles) {
    // p × size would overflow 64 bits here; the start must still be p% taken down to a frame.
    const std::uint64_t size = std::numeric_limits<std::uint64_t>::max() / 417 * 417 - 417 * 3;
    const EndlessCbr source(size);
    const auto info = scan(source);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->totalFrames, size / 417);
    for (const std::int32_t p : {1, 37, 99}) {
        const auto expected = std::uint64_t(Wide(size) * Wide(p) / 100 / 417 * 417);
        const StartPoint start = startFor(*info, source, p);
        EXPECT_FALSE(start.atEnd);
        EXPECT_EQ(start.offset, expected) << p;
        const std::int32_t report = percentOf(start.firstFrame, info->totalFrames);
        EXPECT_GE(report, p - 1);
        EXPECT_LE(report, p);
    }
    for (const std::uint64_t a :
         {std::numeric_limits<std::uint64_t>::max(), size, std::uint64_t(12345)}) {
        for (const std::uint64_t b : {0, 1, 99, 255}) {
            const std::uint64_t c = b < 100 ? 100 : 256;
            EXPECT_EQ(scaleDown(a, b, c), std::uint64_t(Wide(a) * Wide(b) / Wide(c)))
                << a << " " << b;
        }
    }
}

TEST(Mp3Scan, PercentOfIsCutAndLimited) {
    struct Case {
        std::uint64_t n, total;
        std::int32_t percent;
    };
    const Case cases[] = {
        {0, 193, 0},    {1, 193, 0},    {2, 193, 1},
        {192, 193, 99}, {193, 193, 99}, {500, 193, 99},
        {1, 3, 33},     {5, 0, 99},     {std::uint64_t(1) << 60, std::uint64_t(1) << 61, 50},
    };
    for (const Case& c : cases)
        EXPECT_EQ(percentOf(c.n, c.total), c.percent) << c.n << "/" << c.total;
}

}  // namespace
}  // namespace ywf::mp3
