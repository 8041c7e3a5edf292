#include "platform/gui/Bouton.h"

#include <QKeyEvent>

namespace brivane::gui {

void Bouton::keyPressEvent(QKeyEvent* evenement) {
  const bool entree = evenement->key() == Qt::Key_Return || evenement->key() == Qt::Key_Enter;
  // Only a bare Enter (the keypad's counts): with Ctrl, Alt or Shift the key keeps whatever
  // meaning the window gives it.
  const Qt::KeyboardModifiers autres = evenement->modifiers() & ~Qt::KeypadModifier;
  if (entree && autres == Qt::NoModifier && isEnabled()) {
    evenement->accept();
    click();
    return;
  }
  QPushButton::keyPressEvent(evenement);
}

}  // namespace brivane::gui
