#include "ui/number_edit.hpp"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace ywf {

NumberEdit::NumberEdit(QWidget* parent) : QLineEdit(parent) {}

bool NumberEdit::typedCharacterAllowed(QChar c) {
    const char16_t u = c.unicode();
    if (u < 32 || u == 127) return true;  // not printable: editing keys and shortcuts
    return (u >= u'0' && u <= u'9') || u == u'-';
}

bool NumberEdit::isReserved(const QKeyEvent* event) const {
    const QKeySequence pressed(event->keyCombination());
    for (const QKeySequence& key : reserved_) {
        if (key.matches(pressed) == QKeySequence::ExactMatch) return true;
    }
    return false;
}

bool NumberEdit::event(QEvent* event) {
    // QLineEdit claims some Ctrl keys for itself (Ctrl+K deletes to the end of the line
    // on this platform); the menu's shortcuts must win over them.
    if (event->type() == QEvent::ShortcutOverride && isReserved(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return QLineEdit::event(event);
}

void NumberEdit::keyPressEvent(QKeyEvent* event) {
    if (isReserved(event)) {
        event->accept();  // a disabled item's shortcut does nothing, here too
        return;
    }
    // With Ctrl held (and not AltGr, which is Ctrl+Alt on some keyboards) a key is a
    // shortcut such as Ctrl+V, whatever text the platform attaches to it.
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shortcut =
        (mods & (Qt::ControlModifier | Qt::MetaModifier)) && !(mods & Qt::AltModifier);
    for (QChar c : event->text()) {
        if (!shortcut && !typedCharacterAllowed(c)) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void NumberEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Text committed by an input method is typed text as well.
    const QString commit = event->commitString();
    QString kept;
    for (QChar c : commit) {
        if (typedCharacterAllowed(c)) kept += c;
    }
    if (kept == commit) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
}

}  // namespace ywf
