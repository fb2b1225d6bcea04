#include "platform/audio/wav.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audition/cues.hpp"

namespace ywf {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void putTag(Bytes& b, const char* tag) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(tag[i]));
}
void putChunk(Bytes& b, const char* tag, const Bytes& body, bool pad = true) {
    putTag(b, tag);
    put32(b, std::uint32_t(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (pad && body.size() % 2 == 1) b.push_back(0);
}
Bytes fmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    Bytes f;
    put16(f, tag);
    put16(f, channels);
    put32(f, rate);
    put32(f, rate * channels * bits / 8);
    put16(f, std::uint16_t(channels * bits / 8));
    put16(f, bits);
    return f;
}
Bytes riff(const Bytes& chunks) {
    Bytes b;
    putTag(b, "RIFF");
    put32(b, std::uint32_t(chunks.size() + 4));
    putTag(b, "WAVE");
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}
// Four 16-bit mono samples: 0, 16384, -32768, 32767.
Bytes pcm16() {
    Bytes d;
    for (std::uint16_t v : {0x0000, 0x4000, 0x8000, 0x7FFF}) put16(d, v);
    return d;
}
Bytes goodChunks() {
    Bytes c;
    putChunk(c, "fmt ", fmtBody(1, 1, 22050, 16));
    putChunk(c, "data", pcm16());
    return c;
}

TEST(Wav, DecodesPcmAndSkipsOtherChunks) {
    Bytes chunks;
    putChunk(chunks, "LIST", Bytes{'a', 'b', 'c'});  // odd size: a pad byte follows
    putChunk(chunks, "fmt ", fmtBody(1, 1, 22050, 16));
    putChunk(chunks, "junk", Bytes(7, 0xFF));
    putChunk(chunks, "data", pcm16());
    putChunk(chunks, "EVNT", Bytes(5, 1));
    const auto sound = decodeWav(riff(chunks));
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->rate, 22050);
    EXPECT_EQ(sound->channels, 1);
    ASSERT_EQ(sound->samples.size(), 4u);
    EXPECT_FLOAT_EQ(sound->samples[0], 0.0f);
    EXPECT_FLOAT_EQ(sound->samples[1], 0.5f);
    EXPECT_FLOAT_EQ(sound->samples[2], -1.0f);
    EXPECT_NEAR(sound->samples[3], 1.0f, 1e-4);
}

TEST(Wav, DecodesEveryPlainFormat) {
    struct Case {
        std::uint16_t tag, channels, bits;
        Bytes data;
        std::vector<float> samples;
    };
    const float third = 1.0f / 3.0f;
    Bytes f32;
    for (float v : {0.25f, -third}) {
        std::uint32_t u;
        std::memcpy(&u, &v, 4);
        put32(f32, u);
    }
    const Case cases[] = {
        {1, 1, 8, {0x80, 0xC0, 0x00}, {0.0f, 0.5f, -1.0f}},
        {1, 2, 16, {0x00, 0x40, 0x00, 0xC0}, {0.5f, -0.5f}},
        {1, 1, 24, {0x00, 0x00, 0x40, 0x00, 0x00, 0xC0}, {0.5f, -0.5f}},
        {1, 1, 32, {0x00, 0x00, 0x00, 0x40}, {0.5f}},
        {3, 2, 32, f32, {0.25f, -third}},
    };
    for (const Case& c : cases) {
        Bytes chunks;
        putChunk(chunks, "fmt ", fmtBody(c.tag, c.channels, 8000, c.bits));
        putChunk(chunks, "data", c.data);
        const auto sound = decodeWav(riff(chunks));
        ASSERT_TRUE(sound.has_value()) << c.bits;
        EXPECT_EQ(sound->channels, c.channels);
        ASSERT_EQ(sound->samples.size(), c.samples.size()) << c.bits;
        for (std::size_t i = 0; i < c.samples.size(); ++i) {
            EXPECT_NEAR(sound->samples[i], c.samples[i], 1e-6) << c.bits << " #" << i;
        }
    }
}

TEST(Wav, RefusesMalformedFilesWithoutReadingPastThem) {
    const Bytes good = riff(goodChunks());
    ASSERT_TRUE(decodeWav(good).has_value());

    std::vector<std::pair<const char*, Bytes>> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"short", Bytes(good.begin(), good.begin() + 11)});
    Bytes b = good;
    std::memcpy(b.data(), "RIFX", 4);
    cases.push_back({"not RIFF", b});
    b = good;
    std::memcpy(b.data() + 8, "AVI ", 4);
    cases.push_back({"not WAVE", b});
    b = good;
    b.resize(b.size() - 3);  // the data chunk now runs past the end
    cases.push_back({"cut short", b});
    Bytes chunks;
    putChunk(chunks, "fmt ", fmtBody(1, 1, 22050, 16));
    putTag(chunks, "data");
    put32(chunks, 0xFFFFFFF0u);  // a size far past the end
    cases.push_back({"huge chunk size", riff(chunks)});
    chunks.clear();
    putChunk(chunks, "fmt ", fmtBody(1, 1, 22050, 16));
    cases.push_back({"no data", riff(chunks)});
    chunks.clear();
    putChunk(chunks, "data", pcm16());
    cases.push_back({"no fmt", riff(chunks)});
    chunks.clear();
    putChunk(chunks, "fmt ", Bytes(14, 0));
    putChunk(chunks, "data", pcm16());
    cases.push_back({"fmt too short", riff(chunks)});
    for (auto [tag, channels, bits] : {std::tuple{2, 1, 16}, {1, 0, 16}, {1, 1, 12}, {3, 1, 64}}) {
        chunks.clear();
        putChunk(chunks, "fmt ",
                 fmtBody(std::uint16_t(tag), std::uint16_t(channels), 22050, std::uint16_t(bits)));
        putChunk(chunks, "data", pcm16());
        cases.push_back({"unusable format", riff(chunks)});
    }
    // The RIFF size ends the walk before the data chunk.
    b = good;
    b[4] = 4 + 8 + 16;
    b[5] = b[6] = b[7] = 0;
    cases.push_back({"data outside the RIFF size", b});

    for (const auto& [what, bytes] : cases) {
        // A copy in a buffer of its own, so that a read past the end shows under sanitizers.
        const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size()]);
        std::copy(bytes.begin(), bytes.end(), exact.get());
        EXPECT_FALSE(decodeWav(ByteView(exact.get(), bytes.size())).has_value()) << what;
    }
}

// The two cue clips, byte for byte in the fields of their fixed layout.
TEST(Wav, CueClipsHaveTheirFixedLayout) {
    const auto le16 = [](ByteView b, std::size_t at) { return b[at] | (b[at + 1] << 8); };
    const auto le32 = [&](ByteView b, std::size_t at) {
        return std::uint32_t(le16(b, at)) | (std::uint32_t(le16(b, at + 2)) << 16);
    };
    const auto tag = [](ByteView b, std::size_t at) {
        return std::string(reinterpret_cast<const char*>(b.data() + at), 4);
    };
    for (const ByteView cue : {markStartCue(), markEndCue()}) {
        ASSERT_EQ(cue.size(), 42718u);
        EXPECT_EQ(tag(cue, 0), "RIFF");
        EXPECT_EQ(le32(cue, 4), 42710u);
        EXPECT_EQ(tag(cue, 8), "WAVE");
        EXPECT_EQ(tag(cue, 12), "fmt ");
        EXPECT_EQ(le32(cue, 16), 18u);
        EXPECT_EQ(le16(cue, 20), 1);       // PCM
        EXPECT_EQ(le16(cue, 22), 1);       // mono
        EXPECT_EQ(le32(cue, 24), 22050u);  // samples per second
        EXPECT_EQ(le32(cue, 28), 44100u);  // bytes per second
        EXPECT_EQ(le16(cue, 32), 2);       // block alignment
        EXPECT_EQ(le16(cue, 34), 16);      // bits per sample
        EXPECT_EQ(le16(cue, 36), 0);       // extra size
        EXPECT_EQ(tag(cue, 38), "data");
        EXPECT_EQ(le32(cue, 42), 41360u);
        EXPECT_EQ(tag(cue, 46 + 41360), "EVNT");
        EXPECT_EQ(le32(cue, 50 + 41360), 1304u);

        const auto sound = decodeWav(cue);
        ASSERT_TRUE(sound.has_value());
        EXPECT_EQ(sound->samples.size(), 41360u / 2);
        float peak = 0;
        for (float s : sound->samples) peak = std::max(peak, std::abs(s));
        EXPECT_GT(peak, 0.3f) << "the cue should be clearly audible";
    }
    EXPECT_FALSE(std::equal(markStartCue().begin(), markStartCue().end(), markEndCue().begin()));
}

}  // namespace
}  // namespace ywf
