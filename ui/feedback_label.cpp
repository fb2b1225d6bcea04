#include "ui/feedback_label.hpp"

#include <QMetaObject>
#include <utility>

namespace ywf {

FeedbackLabel::FeedbackLabel(const char* objectName, QObject* parent) : QObject(parent) {
    setObjectName(QString::fromUtf8(objectName));
}

void FeedbackLabel::setHandler(Handler handler) {
    handler_ = std::move(handler);
}

void FeedbackLabel::post(std::int32_t param1, std::int32_t param2) {
    // Queued events to one receiver keep their order; an event still queued when the
    // label is destroyed is discarded with it.
    QMetaObject::invokeMethod(
        this, [this, param1, param2] { deliver(param1, param2); }, Qt::QueuedConnection);
}

void FeedbackLabel::deliver(std::int32_t param1, std::int32_t param2) {
    if (handler_) handler_(param1, param2);
}

}  // namespace ywf
