#pragma once

#include <QPushButton>

namespace ywf {

// A push button whose caption is centred and wraps onto a second line when it is wider
// than the button, as "取消已调入文件" is in its 80 pixels. Never a default button.
class CaptionButton final : public QPushButton {
    Q_OBJECT

  public:
    CaptionButton(const QString& caption, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace ywf
