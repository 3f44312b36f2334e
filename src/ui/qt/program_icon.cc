#include "program_icon.h"

#include <QPainter>
#include <QPixmap>
#include <array>

namespace kestrine {

namespace {

// Drawn on a 64-unit square and scaled to the pixmap's size.
constexpr qreal kDesignSize = 64.0;

QPixmap DrawDisk(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / kDesignSize, size / kDesignSize);

  // The case.
  painter.setPen(QPen(QColor(40, 44, 52), 2.0));
  painter.setBrush(QColor(92, 99, 112));
  painter.drawRoundedRect(QRectF(6, 3, 52, 58), 6, 6);

  // The platter and its spindle.
  QRadialGradient platter(QPointF(28, 26), 24);
  platter.setColorAt(0.0, QColor(236, 240, 245));
  platter.setColorAt(1.0, QColor(150, 160, 175));
  painter.setPen(QPen(QColor(60, 66, 78), 1.5));
  painter.setBrush(platter);
  painter.drawEllipse(QPointF(32, 28), 21, 21);
  painter.setBrush(QColor(70, 76, 88));
  painter.drawEllipse(QPointF(32, 28), 4, 4);

  // The head arm, from its pivot in the lower corner across the platter.
  painter.setPen(QPen(QColor(30, 33, 40), 4.0, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(50, 52), QPointF(36, 20));
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(30, 33, 40));
  painter.drawEllipse(QPointF(50, 52), 5, 5);

  // The activity light: green, as a drive in good condition shows.
  painter.setBrush(QColor(0, 220, 0));
  painter.drawEllipse(QPointF(14, 54), 3.5, 3.5);
  return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  constexpr std::array<int, 4> kSizes = {16, 22, 32, 64};
  for (const int size : kSizes) icon.addPixmap(DrawDisk(size));
  return icon;
}

}  // namespace kestrine
