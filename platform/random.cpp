#include "platform/random.hpp"

namespace ywf {

void RandomGenerator::seed(std::uint32_t tickCount) {
    state_ = tickCount + counter_;
    counter_ += ((tickCount + counter_) % 256u) + 100u;
}

std::int32_t RandomGenerator::next() {
    // A linear congruential generator with the classic constants; its bits 16..30 are
    // the value.
    state_ = state_ * 214013u + 2531011u;
    return static_cast<std::int32_t>((state_ >> 16) & 0x7FFFu);
}

std::int32_t RandomGenerator::draw(std::int32_t low, std::int32_t high) {
    const std::int64_t span = std::int64_t(high) - low + 1;
    if (span <= 0) return low;
    return static_cast<std::int32_t>(low + next() % span);
}

}  // namespace ywf
