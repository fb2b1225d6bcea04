#include "audition/cues.hpp"

namespace ywf {

extern const std::uint8_t markStartCueData[];
extern const std::size_t markStartCueDataSize;
extern const std::uint8_t markEndCueData[];
extern const std::size_t markEndCueDataSize;

ByteView markStartCue() {
    return ByteView(markStartCueData, markStartCueDataSize);
}
ByteView markEndCue() {
    return ByteView(markEndCueData, markEndCueDataSize);
}

}  // namespace ywf
