#include "Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace Glyphs {
namespace {

// Draws the glyph at 16 and 32 pixels on a 16-unit grid; a disabled action greys it.
QIcon Drawn(const std::function<void(QPainter&)>& draw) {
  QIcon icon;
  for (int size : {16, 32}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace

QIcon Start() {
  return Drawn([](QPainter& p) {
    QPainterPath play;
    play.moveTo(4, 2.5);
    play.lineTo(13.5, 8);
    play.lineTo(4, 13.5);
    play.closeSubpath();
    p.setPen(QPen(QColor(0x1e, 0x6b, 0x22), 1));
    p.setBrush(QColor(0x3c, 0xb0, 0x43));
    p.drawPath(play);
  });
}

QIcon Stop() {
  return Drawn([](QPainter& p) {
    p.setPen(QPen(QColor(0x8e, 0x1b, 0x1b), 1));
    p.setBrush(QColor(0xd9, 0x3b, 0x3b));
    p.drawRoundedRect(QRectF(3, 3, 10, 10), 1.5, 1.5);
  });
}

QIcon SaveAs() {
  return Drawn([](QPainter& p) {
    p.setPen(QPen(QColor(0x1f, 0x3a, 0x63), 1));
    p.setBrush(QColor(0x3d, 0x6f, 0xb6));
    p.drawRoundedRect(QRectF(2, 2, 12, 12), 1, 1);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 2.5, 7, 4.5));
    p.setBrush(QColor(0xdd, 0xe6, 0xf3));
    p.drawRect(QRectF(4.5, 9, 7, 4.5));
  });
}

QIcon SelectAll() {
  return Drawn([](QPainter& p) {
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 2.5, 11, 11));
    p.setPen(QPen(QColor(0x2b, 0x8a, 0x32), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(5, 8), QPointF(7.2, 10.5), QPointF(11.5, 5)}));
  });
}

QIcon Clear() {
  return Drawn([](QPainter& p) {
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 2.5, 11, 11));
  });
}

QIcon Help() {
  return Drawn([](QPainter& p) {
    p.setPen(QPen(QColor(0x1f, 0x3a, 0x63), 1));
    p.setBrush(QColor(0x3d, 0x6f, 0xb6));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(11);
    p.setFont(f);
    p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
  });
}

QIcon Application() {
  return Drawn([](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x3d, 0x6b));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    p.setPen(QPen(Qt::white, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(4.2, 4.2, 7.6, 7.6));
    p.drawArc(QRectF(6.3, 6.3, 3.4, 3.4), 0, 360 * 16);
  });
}

}  // namespace Glyphs
