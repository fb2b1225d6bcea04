#pragma once

// Driving modal dialogs from a test: the dialog runs its own event loop inside the call
// under test, so the test hands in what to do once it shows.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace ywf::testing {

// Once a modal widget named `objectName` is the active modal widget, runs `act` on it
// (which should accept, reject or otherwise dismiss it). Polls the event loop; after
// `timeoutMs` without such a dialog, or when `act` leaves it open for that long, every
// modal widget is closed so that the test fails instead of hanging. Returns a flag that
// is true once `act` has run.
inline std::shared_ptr<bool> whenModalShown(const QString& objectName,
                                            std::function<void(QWidget*)> act,
                                            int timeoutMs = 10000) {
    auto ran = std::make_shared<bool>(false);
    auto timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!*ran && modal && modal->objectName() == objectName && modal->isVisible()) {
            *ran = true;
            act(modal);
            clock->restart();
            return;
        }
        if (*ran && !(modal && modal->objectName() == objectName)) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            for (int i = 0; i < 10 && QApplication::activeModalWidget(); ++i) {
                QApplication::activeModalWidget()->close();
            }
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return ran;
}

}  // namespace ywf::testing
