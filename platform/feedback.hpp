#pragma once

#include <cstdint>

namespace ywf {

// A hidden label's feedback event: two signed 32-bit integers, delivered to the tool on
// the GUI thread. post() may be called from any thread; it queues the event and returns
// at once, and events posted from one thread arrive in the order posted.
class FeedbackSink {
  public:
    virtual ~FeedbackSink() = default;
    virtual void post(std::int32_t param1, std::int32_t param2) = 0;
};

}  // namespace ywf
