#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

#include "platform/feedback.hpp"

namespace ywf {

// A hidden label of the main window (标签1, 标签2): an event sink and nothing else. It is
// a plain QObject rather than a widget, so it never shows, never takes the focus and is
// not part of the window's accessibility tree.
class FeedbackLabel final : public QObject, public FeedbackSink {
    Q_OBJECT

  public:
    using Handler = std::function<void(std::int32_t, std::int32_t)>;

    FeedbackLabel(const char* objectName, QObject* parent);

    // Set on the GUI thread before anything posts; events delivered while no handler is
    // set are dropped.
    void setHandler(Handler handler);

    // Any thread: queues the event to the GUI thread and returns at once. Events posted
    // from one thread are delivered in the order posted, each as its own event, even when
    // posted while a handler waits in a dialog.
    void post(std::int32_t param1, std::int32_t param2) override;

  private:
    void deliver(std::int32_t param1, std::int32_t param2);

    Handler handler_;  // GUI thread only
};

}  // namespace ywf
