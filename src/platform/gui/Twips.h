#pragma once

#include <QFont>
#include <QFontInfo>
#include <QRect>
#include <QStringList>

namespace brivane::gui {

// Window layouts are given in twips: 15 twips to a device-independent pixel.
constexpr int Px(int twips) { return twips / 15; }
constexpr QRect RectTwips(int gauche, int haut, int largeur, int hauteur) {
  return {Px(gauche), Px(haut), Px(largeur), Px(hauteur)};
}

// The windows' font: MS Sans Serif where it exists, else a narrow sans serif
// made a little smaller to take the same width, so that every caption fits
// its control.
inline QFont PoliceFenetre(int points) {
  const QString reference = QStringLiteral("MS Sans Serif");
  QFont police;
  police.setFamilies({reference, QStringLiteral("DejaVu Sans Condensed"),
                      QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Arial")});
  police.setPointSize(points);
  if (QFontInfo(police).family() != reference) {
    police.setPointSizeF(points * 0.875);
  }
  return police;
}

}  // namespace brivane::gui
