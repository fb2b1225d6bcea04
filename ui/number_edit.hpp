#pragma once

#include <QKeySequence>
#include <QLineEdit>
#include <QList>

namespace ywf {

// 编辑框1: a one-line edit box that drops typed printable characters other than the digits
// 0 to 9 and the minus sign. Control characters (Backspace, the clipboard shortcuts)
// work as usual. Pasted and dropped text is taken as it is and nothing is reformatted,
// so this is a filter on typing, not a validator.
class NumberEdit final : public QLineEdit {
    Q_OBJECT

  public:
    explicit NumberEdit(QWidget* parent = nullptr);

    // Keys that belong to the window's menu (its shortcuts). The box neither edits with
    // them nor claims them, so they reach the menu even while the box has the focus, and
    // do nothing here when their item is disabled.
    void setReservedKeys(QList<QKeySequence> keys) { reserved_ = std::move(keys); }

    // True for a typed character the box accepts or that is not printable.
    static bool typedCharacterAllowed(QChar c);

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

  private:
    bool isReserved(const QKeyEvent* event) const;

    QList<QKeySequence> reserved_;  // GUI thread only
};

}  // namespace ywf
