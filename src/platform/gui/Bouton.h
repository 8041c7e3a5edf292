#pragma once

#include <QPushButton>

namespace brivane::gui {

// A push button that Enter and Return press while it has the focus, as Windows
// users expect, in a plain window as in a dialog. Space presses it as well, as
// any push button.
class Bouton final : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* evenement) override;
};

}  // namespace brivane::gui
