#include "platform/gui/Images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace brivane::gui {

namespace {

QPixmap dessinerSortie(int cote) {
  QPixmap image(cote, cote);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(cote / 32.0, cote / 32.0);

  // Exit sign above the door.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1E, 0x8C, 0x3C));
  p.drawRect(QRectF(6, 1, 20, 6));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(9, 3.5, 14, 1));

  // Door frame, then the door standing open towards the viewer.
  p.setPen(QPen(QColor(0x50, 0x3A, 0x1E), 1.2));
  p.setBrush(QColor(0x3A, 0x3A, 0x3A));
  p.drawRect(QRectF(8, 9, 16, 22));
  QPainterPath porte;
  porte.moveTo(8, 9);
  porte.lineTo(17, 11);
  porte.lineTo(17, 29);
  porte.lineTo(8, 31);
  porte.closeSubpath();
  p.setBrush(QColor(0xB0, 0x7A, 0x3C));
  p.drawPath(porte);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xF0, 0xD0, 0x40));
  p.drawEllipse(QPointF(15, 20), 1.2, 1.2);
  return image;
}

}  // namespace

QIcon ImageSortie() {
  const QIcon theme = QIcon::fromTheme(QStringLiteral("application-exit"));
  if (!theme.isNull()) {
    return theme;
  }
  QIcon icone;
  for (const int cote : {16, 24, 32, 48, 64}) {
    icone.addPixmap(dessinerSortie(cote));
  }
  return icone;
}

}  // namespace brivane::gui
