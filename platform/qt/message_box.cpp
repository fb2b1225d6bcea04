#include "platform/qt/message_box.hpp"

#include <QMessageBox>

#include "app/texts.hpp"

namespace ywf {

void QtMessageService::showMessage(const std::string& text, MessageKind kind,
                                   const std::string& title) {
    const QMessageBox::Icon icon =
        kind == MessageKind::warning ? QMessageBox::Warning : QMessageBox::Information;
    const QString caption = QString::fromStdString(title.empty() ? texts::defaultTitle : title);
    QMessageBox box(icon, caption, QString::fromStdString(text), QMessageBox::Ok);
    box.setObjectName(QStringLiteral("messageBox"));
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

}  // namespace ywf
