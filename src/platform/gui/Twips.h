#pragma once

#include <QRect>

namespace brivane::gui {

// Window layouts are given in twips: 15 twips to a device-independent pixel.
constexpr int Px(int twips) { return twips / 15; }
constexpr QRect RectTwips(int gauche, int haut, int largeur, int hauteur) {
  return {Px(gauche), Px(haut), Px(largeur), Px(hauteur)};
}

}  // namespace brivane::gui
