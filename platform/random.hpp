#pragma once

#include <cstdint>

namespace ywf {

// The process-wide pseudo-random generator. Seeding takes the tick count plus a counter
// that grows after each seeding by ((tick + counter) mod 256) + 100, so two seedings
// within one millisecond still differ. Draws yield 0..32767. GUI thread only.
class RandomGenerator {
  public:
    void seed(std::uint32_t tickCount);
    // Next raw value, 0..32767.
    std::int32_t next();
    // low + (next() mod (high - low + 1)), for low <= high.
    std::int32_t draw(std::int32_t low, std::int32_t high);

  private:
    std::uint32_t state_ = 1;
    std::uint32_t counter_ = 0;
};

}  // namespace ywf
