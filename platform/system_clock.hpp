#pragma once

#include "platform/services.hpp"

namespace ywf {

class SystemClock final : public Clock {
  public:
    int currentSecond() override;
    std::uint32_t tickCount() override;
};

}  // namespace ywf
