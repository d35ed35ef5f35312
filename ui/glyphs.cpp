// Glyphs: simple shapes on a 48-unit grid, scaled to the size asked for.
#include "ui/glyphs.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace virmeya {

namespace {

const QColor kInk(52, 74, 102);

QLinearGradient vertical(QColor top, QColor bottom, double y0 = 0, double y1 = 48) {
  QLinearGradient g(0, y0, 0, y1);
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  return g;
}

void photo(QPainter& p, QRectF r) {
  p.setPen(QPen(kInk, 1.5));
  p.setBrush(vertical(QColor(126, 192, 240), QColor(214, 236, 250), r.top(), r.bottom()));
  p.drawRoundedRect(r, 2, 2);
  QPainterPath hills;
  hills.moveTo(r.left(), r.bottom());
  hills.lineTo(r.left(), r.bottom() - r.height() * 0.25);
  hills.quadTo(r.left() + r.width() * 0.3, r.top() + r.height() * 0.35, r.left() + r.width() * 0.55,
               r.bottom() - r.height() * 0.3);
  hills.quadTo(r.left() + r.width() * 0.75, r.top() + r.height() * 0.5, r.right(), r.bottom() - r.height() * 0.35);
  hills.lineTo(r.right(), r.bottom());
  hills.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(vertical(QColor(104, 176, 82), QColor(52, 120, 56), r.top() + r.height() * 0.4, r.bottom()));
  p.drawPath(hills);
  p.setBrush(QColor(255, 214, 80));
  const double d = r.width() * 0.18;
  p.drawEllipse(QRectF(r.right() - r.width() * 0.32, r.top() + r.height() * 0.14, d, d));
  p.setPen(QPen(kInk, 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r, 2, 2);
}

void star(QPainter& p, QPointF c, double outer, QColor colour) {
  QPainterPath path;
  for (int i = 0; i < 8; ++i) {
    const double a = i * M_PI / 4 - M_PI / 2;
    const double rad = i % 2 == 0 ? outer : outer * 0.35;
    const QPointF pt(c.x() + rad * std::cos(a), c.y() + rad * std::sin(a));
    i == 0 ? path.moveTo(pt) : path.lineTo(pt);
  }
  path.closeSubpath();
  p.setPen(QPen(colour.darker(140), 1));
  p.setBrush(colour);
  p.drawPath(path);
}

void draw(QPainter& p, Glyph glyph) {
  switch (glyph) {
    case Glyph::Open: {
      p.setPen(QPen(kInk, 1.5));
      p.setBrush(vertical(QColor(250, 214, 120), QColor(226, 168, 60)));
      QPainterPath back;
      back.moveTo(4, 12); back.lineTo(18, 12); back.lineTo(22, 16); back.lineTo(42, 16); back.lineTo(42, 40);
      back.lineTo(4, 40); back.closeSubpath();
      p.drawPath(back);
      photo(p, QRectF(12, 8, 26, 20));
      p.setBrush(vertical(QColor(255, 226, 140), QColor(240, 180, 70), 20, 42));
      QPainterPath front;
      front.moveTo(4, 40); front.lineTo(10, 22); front.lineTo(46, 22); front.lineTo(42, 40); front.closeSubpath();
      p.setPen(QPen(kInk, 1.5));
      p.drawPath(front);
      break;
    }
    case Glyph::Save: {
      p.setPen(QPen(kInk, 1.5));
      p.setBrush(vertical(QColor(88, 132, 204), QColor(46, 84, 150)));
      p.drawRoundedRect(QRectF(6, 6, 36, 36), 3, 3);
      p.setBrush(QColor(236, 240, 246));
      p.drawRect(QRectF(12, 6, 24, 13));
      p.setBrush(QColor(46, 84, 150));
      p.drawRect(QRectF(28, 8, 5, 9));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(11, 26, 26, 16));
      p.drawLine(QPointF(15, 31), QPointF(33, 31));
      p.drawLine(QPointF(15, 36), QPointF(33, 36));
      break;
    }
    case Glyph::Catalogue: {
      const QColor colours[] = {QColor(232, 96, 80), QColor(250, 190, 70), QColor(96, 180, 90), QColor(80, 140, 220)};
      for (int i = 0; i < 4; ++i) {
        const QRectF r(6 + (i % 2) * 19, 6 + (i / 2) * 19, 17, 17);
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(vertical(colours[i].lighter(130), colours[i], r.top(), r.bottom()));
        p.drawRoundedRect(r, 3, 3);
      }
      break;
    }
    case Glyph::View: {
      p.setPen(QPen(kInk, 1.5));
      p.setBrush(vertical(QColor(96, 104, 118), QColor(54, 60, 72)));
      p.drawRoundedRect(QRectF(4, 7, 40, 28), 3, 3);
      photo(p, QRectF(8, 11, 32, 20));
      p.setBrush(QColor(96, 104, 118));
      p.drawRect(QRectF(20, 35, 8, 4));
      p.drawRoundedRect(QRectF(13, 39, 22, 3), 1, 1);
      break;
    }
    case Glyph::Print: {
      p.setPen(QPen(kInk, 1.5));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(13, 5, 22, 14));
      p.setBrush(vertical(QColor(176, 184, 196), QColor(112, 122, 138), 16, 36));
      p.drawRoundedRect(QRectF(4, 16, 40, 18), 3, 3);
      p.setBrush(QColor(120, 220, 120));
      p.drawEllipse(QRectF(36, 20, 4, 4));
      photo(p, QRectF(13, 28, 22, 16));
      break;
    }
    case Glyph::Edit: {
      photo(p, QRectF(4, 6, 30, 24));
      p.save();
      p.translate(30, 30);
      p.rotate(45);
      p.setPen(QPen(kInk, 1.3));
      p.setBrush(vertical(QColor(250, 200, 80), QColor(230, 150, 40), -4, 4));
      p.drawRect(QRectF(-14, -4, 26, 8));
      p.setBrush(QColor(240, 150, 150));
      p.drawRect(QRectF(12, -4, 5, 8));
      QPainterPath tip;
      tip.moveTo(-14, -4); tip.lineTo(-21, 0); tip.lineTo(-14, 4); tip.closeSubpath();
      p.setBrush(QColor(236, 214, 170));
      p.drawPath(tip);
      p.restore();
      break;
    }
    case Glyph::Effects: {
      p.setPen(QPen(kInk, 1.5));
      p.save();
      p.translate(18, 30);
      p.rotate(-45);
      p.setBrush(vertical(QColor(90, 90, 110), QColor(30, 30, 40), -3, 3));
      p.drawRoundedRect(QRectF(-18, -3, 30, 6), 2, 2);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(8, -3, 6, 6));
      p.restore();
      star(p, QPointF(33, 14), 10, QColor(255, 204, 60));
      star(p, QPointF(40, 30), 6, QColor(120, 200, 255));
      star(p, QPointF(22, 8), 5, QColor(255, 130, 170));
      break;
    }
    case Glyph::Montage: {
      photo(p, QRectF(4, 6, 28, 22));
      p.save();
      p.setOpacity(0.92);
      p.setPen(QPen(kInk, 1.5));
      p.setBrush(vertical(QColor(250, 170, 120), QColor(200, 90, 120), 18, 42));
      p.drawRoundedRect(QRectF(16, 18, 28, 24), 2, 2);
      p.setBrush(QColor(255, 240, 200));
      p.setPen(Qt::NoPen);
      p.drawEllipse(QRectF(24, 24, 12, 12));
      p.restore();
      break;
    }
    case Glyph::Decor: {
      p.setPen(QPen(QColor(120, 80, 20), 1.5));
      p.setBrush(vertical(QColor(236, 196, 110), QColor(176, 122, 40)));
      p.drawRoundedRect(QRectF(3, 5, 42, 38), 3, 3);
      photo(p, QRectF(10, 12, 28, 24));
      star(p, QPointF(40, 9), 6, QColor(255, 236, 120));
      break;
    }
    case Glyph::Help: {
      p.setPen(QPen(kInk, 1.5));
      QRadialGradient g(QPointF(20, 16), 26);
      g.setColorAt(0, QColor(120, 180, 250));
      g.setColorAt(1, QColor(36, 96, 190));
      p.setBrush(g);
      p.drawEllipse(QRectF(5, 5, 38, 38));
      QFont font("Sans");
      font.setBold(true);
      font.setPixelSize(28);
      p.setFont(font);
      p.setPen(Qt::white);
      p.drawText(QRectF(5, 5, 38, 38), Qt::AlignCenter, "?");
      break;
    }
  }
}

QPixmap render(int size, const std::function<void(QPainter&)>& paint) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 48.0, size / 48.0);
  paint(p);
  return pixmap;
}

}  // namespace

QIcon glyphIcon(Glyph glyph, int size) {
  QIcon icon;
  for (int s : {size, 2 * size}) icon.addPixmap(render(s, [glyph](QPainter& p) { draw(p, glyph); }));
  return icon;
}

QIcon applicationIcon() {
  QIcon icon;
  for (int s : {16, 32, 48, 64, 128, 256})
    icon.addPixmap(render(s, [](QPainter& p) {
      p.setPen(Qt::NoPen);
      p.setBrush(vertical(QColor(110, 70, 170), QColor(60, 34, 112)));
      p.drawRoundedRect(QRectF(1, 1, 46, 46), 9, 9);
      p.setBrush(QColor(255, 255, 255));
      p.drawRoundedRect(QRectF(7, 9, 34, 30), 2, 2);
      photo(p, QRectF(10, 12, 28, 24));
      star(p, QPointF(37, 11), 8, QColor(255, 214, 80));
    }));
  return icon;
}

}  // namespace virmeya
