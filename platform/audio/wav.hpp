#pragma once

// The RIFF/WAVE chunk walker behind the sound from memory. Pure C++; it never reads
// outside the bytes it is given.

#include <cstdint>
#include <optional>
#include <vector>

#include "app/bytes.hpp"

namespace ywf {

struct WavSound {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;  // interleaved, -1..1
};

// Decodes a whole RIFF/WAVE file: "RIFF" at 0, "WAVE" at 8, then chunks, of which "fmt "
// (PCM of 8, 16, 24 or 32 bits, or 32-bit float, plain or extensible) and "data" are
// needed and any other is skipped, with the pad byte after an odd size. A chunk that runs
// past the end of the file, or a missing or unusable "fmt " or "data", refuses the file.
std::optional<WavSound> decodeWav(ByteView file);

}  // namespace ywf
