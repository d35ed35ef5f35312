// ImageView: draws the visible part of each layer, scaled, from a picture near screen size.
#include "ui/image_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/parallel.h"

namespace virmeya {

namespace {

constexpr int kHandleSize = 7;
const QColor kLayerBoxColour(0, 128, 0);

QPainter::CompositionMode compositionFor(BlendOp op) {
  switch (op) {
    case BlendOp::Copy: return QPainter::CompositionMode_SourceOver;
    case BlendOp::Lighten: return QPainter::CompositionMode_Lighten;
    case BlendOp::Darken:
    case BlendOp::Minimum: return QPainter::CompositionMode_Darken;
    case BlendOp::HardLight: return QPainter::CompositionMode_HardLight;
    case BlendOp::Screen: return QPainter::CompositionMode_Screen;
    case BlendOp::ColorDodge: return QPainter::CompositionMode_ColorDodge;
  }
  return QPainter::CompositionMode_SourceOver;
}

// A layer with its own alpha plane, premultiplied as the painter wants it.
QImage premultipliedFrom(const Bitmap& bitmap) {
  QImage out(bitmap.width(), bitmap.height(), QImage::Format_ARGB32_Premultiplied);
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* src = bitmap.row(y);
      const std::uint8_t* a = bitmap.alphaRow(y);
      auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
      for (int x = 0; x < bitmap.width(); ++x, src += 3) {
        const unsigned w = a[x];
        dst[x] = qRgba((src[2] * w + 127) / 255, (src[1] * w + 127) / 255, (src[0] * w + 127) / 255, w);
      }
    }
  });
  return out;
}

// The picture reduced by `factor` in both directions, each pixel the average of a factor × factor
// block (a last partial block is left out). Reads three-byte BGR or four-byte pixels and writes
// four-byte pixels of the matching kind; both layouts start with blue, green, red in memory.
QImage reduced(const QImage& src, int factor) {
  const int w = std::max(1, src.width() / factor);
  const int h = std::max(1, src.height() / factor);
  const bool bgr = src.format() == QImage::Format_BGR888;
  QImage out(w, h, bgr ? QImage::Format_RGB32 : src.format());
  const int bpp = bgr ? 3 : 4;
  const int fx = std::min(factor, src.width()), fy = std::min(factor, src.height());
  const unsigned area = static_cast<unsigned>(fx * fy);
  const int srcHeight = src.height();
  parallelRows(h, [&](int y0, int y1) {
    std::vector<unsigned> sums(static_cast<std::size_t>(w) * 4);
    for (int y = y0; y < y1; ++y) {
      std::fill(sums.begin(), sums.end(), 0u);
      for (int r = 0; r < fy; ++r) {
        const uchar* row = src.constScanLine(std::min(y * factor + r, srcHeight - 1));
        unsigned* sum = sums.data();
        for (int x = 0; x < w; ++x, sum += 4) {
          const uchar* p = row + static_cast<std::ptrdiff_t>(x) * factor * bpp;
          unsigned b = 0, g = 0, rr = 0, a = 0;
          for (int i = 0; i < fx; ++i, p += bpp) {
            b += p[0], g += p[1], rr += p[2];
            if (!bgr) a += p[3];
          }
          sum[0] += b, sum[1] += g, sum[2] += rr, sum[3] += a;
        }
      }
      auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
      const unsigned half = area / 2;
      for (int x = 0; x < w; ++x) {
        const unsigned* sum = sums.data() + 4 * x;
        const unsigned alpha = bgr ? 255u : (sum[3] + half) / area;
        dst[x] = qRgba(static_cast<int>((sum[2] + half) / area), static_cast<int>((sum[1] + half) / area),
                       static_cast<int>((sum[0] + half) / area), static_cast<int>(alpha));
      }
    }
  });
  return out;
}

}  // namespace

ImageView::ImageView(QWidget* parent) : QAbstractScrollArea(parent), mouseMode_(MouseMode::Scroll) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setMouseTracking(true);
  viewport()->setCursor(Qt::OpenHandCursor);
  setFocusPolicy(Qt::StrongFocus);
}

void ImageView::setDocument(LayeredImage* document) {
  document_ = document;
  documentChanged();
}

void ImageView::documentChanged() {
  caches_.clear();
  if (document_ != nullptr && !selection_.isEmpty()) {
    const QRect bounds(0, 0, document_->photo().bitmap.width(), document_->photo().bitmap.height());
    if (!bounds.contains(selection_)) clearSelection();
  }
  updateScrollBars();
  viewport()->update();
}

void ImageView::setZoom(double percent) {
  setZoomAt(percent, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void ImageView::setZoomAt(double percent, QPointF viewportPos) {
  percent = std::clamp(percent, kMinZoom, kMaxZoom);
  if (percent == zoom_) return;
  const QPointF anchor = viewportToDocument(viewportPos);
  zoom_ = percent;
  updateScrollBars();
  // Scroll so that the anchor stays under the same viewport position.
  const QRectF bounds = documentBounds();
  const double s = zoom_ / 100.0;
  horizontalScrollBar()->setValue(static_cast<int>(std::lround((anchor.x() - bounds.left()) * s - viewportPos.x())));
  verticalScrollBar()->setValue(static_cast<int>(std::lround((anchor.y() - bounds.top()) * s - viewportPos.y())));
  viewport()->update();
  emit viewChanged();
}

void ImageView::setMouseMode(MouseMode mode) {
  mouseMode_ = mode;
  dragging_ = false;
  switch (mode) {
    case MouseMode::Scroll: viewport()->setCursor(Qt::OpenHandCursor); break;
    case MouseMode::SelectRectangle: viewport()->setCursor(Qt::CrossCursor); break;
    case MouseMode::MoveLayers: viewport()->setCursor(Qt::ArrowCursor); break;
  }
  viewport()->update();
}

void ImageView::setSelection(const QRect& rect) {
  selection_ = rect.normalized();
  viewport()->update();
  emit selectionChanged(selection_);
}

void ImageView::clearSelection() {
  if (selection_.isNull()) return;
  selection_ = QRect();
  viewport()->update();
  emit selectionChanged(selection_);
}

void ImageView::setSelectionAspect(double heightPerWidth) {
  selectionAspect_ = std::max(0.0, heightPerWidth);
}

QRectF ImageView::documentBounds() const {
  if (document_ == nullptr) return {};
  const Layer& photo = document_->photo();
  QRectF bounds(0, 0, photo.bitmap.width(), photo.bitmap.height());
  for (int i = 1; i < document_->layerCount(); ++i) {
    const Layer& layer = document_->layer(i);
    if (layer.visible && !layer.cropped) bounds |= QRectF(layer.x, layer.y, layer.displayWidth, layer.displayHeight);
  }
  return bounds;
}

QPointF ImageView::origin() const {
  const QRectF bounds = documentBounds();
  const double s = zoom_ / 100.0;
  const double contentW = bounds.width() * s, contentH = bounds.height() * s;
  const double vw = viewport()->width(), vh = viewport()->height();
  // A picture smaller than the view is centred; a larger one follows the scroll bars.
  const double ox = contentW <= vw ? std::floor((vw - contentW) / 2) : -horizontalScrollBar()->value();
  const double oy = contentH <= vh ? std::floor((vh - contentH) / 2) : -verticalScrollBar()->value();
  return {ox - bounds.left() * s, oy - bounds.top() * s};
}

QPointF ImageView::documentToViewport(QPointF p) const {
  const double s = zoom_ / 100.0;
  return origin() + p * s;
}

QPointF ImageView::viewportToDocument(QPointF p) const {
  const double s = zoom_ / 100.0;
  return (p - origin()) / s;
}

QRectF ImageView::layerRectOnScreen(int index) const {
  if (document_ == nullptr || index < 0 || index >= document_->layerCount()) return {};
  const Layer& layer = document_->layer(index);
  const int w = index == 0 ? layer.bitmap.width() : layer.displayWidth;
  const int h = index == 0 ? layer.bitmap.height() : layer.displayHeight;
  const double s = zoom_ / 100.0;
  const QPointF o = origin();
  return {o.x() + layer.x * s, o.y() + layer.y * s, w * s, h * s};
}

void ImageView::updateScrollBars() {
  const QRectF bounds = documentBounds();
  const double s = zoom_ / 100.0;
  const int contentW = static_cast<int>(std::ceil(bounds.width() * s));
  const int contentH = static_cast<int>(std::ceil(bounds.height() * s));
  const QSize area = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, contentW - area.width()));
  horizontalScrollBar()->setPageStep(area.width());
  horizontalScrollBar()->setSingleStep(std::max(1, area.width() / 20));
  verticalScrollBar()->setRange(0, std::max(0, contentH - area.height()));
  verticalScrollBar()->setPageStep(area.height());
  verticalScrollBar()->setSingleStep(std::max(1, area.height() / 20));
}

const QImage& ImageView::levelFor(int index, double screenScale, int* level) {
  if (caches_.size() < static_cast<std::size_t>(document_->layerCount())) caches_.resize(document_->layerCount());
  LayerCache& cache = caches_[index];
  const Bitmap& bitmap = document_->layer(index).bitmap;
  if (cache.data != bitmap.data() || cache.alpha != bitmap.alphaData() || cache.width != bitmap.width() ||
      cache.height != bitmap.height() || cache.levels.empty()) {
    cache = LayerCache{bitmap.data(), bitmap.alphaData(), bitmap.width(), bitmap.height(), {}};
    // The photo is drawn straight from its own rows; only a layer with alpha needs a converted copy.
    cache.levels.push_back(bitmap.hasAlpha()
                               ? premultipliedFrom(bitmap)
                               : QImage(bitmap.data(), bitmap.width(), bitmap.height(),
                                        static_cast<qsizetype>(bitmap.stride()), QImage::Format_BGR888));
  }
  int wanted = 0;
  if (screenScale < 1.0) wanted = static_cast<int>(std::floor(std::log2(1.0 / screenScale)));
  // No level smaller than a few pixels.
  while (wanted > 0 && (cache.width >> wanted) < 4 && (cache.height >> wanted) < 4) --wanted;
  if (static_cast<int>(cache.levels.size()) <= wanted) cache.levels.resize(static_cast<std::size_t>(wanted) + 1);
  if (cache.levels[static_cast<std::size_t>(wanted)].isNull()) {
    // Made straight from the largest level already there, so that unused levels cost nothing.
    int from = wanted - 1;
    while (cache.levels[static_cast<std::size_t>(from)].isNull()) --from;
    cache.levels[static_cast<std::size_t>(wanted)] = reduced(cache.levels[static_cast<std::size_t>(from)], 1 << (wanted - from));
  }
  *level = wanted;
  return cache.levels[static_cast<std::size_t>(wanted)];
}

void ImageView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const Bgr bg = document_ != nullptr ? document_->background() : kDefaultBackground;
  painter.fillRect(event->rect(), QColor(bg.r, bg.g, bg.b));
  if (document_ == nullptr || document_->photo().bitmap.empty()) return;

  const QRectF visible = QRectF(event->rect()) & QRectF(viewport()->rect());
  const QRectF photoRect = layerRectOnScreen(0);
  for (int i = 0; i < document_->layerCount(); ++i) {
    const Layer& layer = document_->layer(i);
    if (!layer.visible || layer.bitmap.empty() || (i > 0 && layer.transparency == 0)) continue;
    const QRectF target = layerRectOnScreen(i);
    QRectF clip = target & visible;
    if (i > 0 && layer.cropped) clip &= photoRect;
    if (clip.isEmpty()) continue;
    // Whole screen pixels only, so neighbouring paints join without seams.
    clip = QRectF(QRect(QPoint(static_cast<int>(std::floor(clip.left())), static_cast<int>(std::floor(clip.top()))),
                        QPoint(static_cast<int>(std::ceil(clip.right())) - 1,
                               static_cast<int>(std::ceil(clip.bottom())) - 1))) & target;
    if (clip.isEmpty()) continue;
    const double screenScale = target.width() / layer.bitmap.width();
    int level = 0;
    const QImage& picture = levelFor(i, std::min(screenScale, target.height() / layer.bitmap.height()), &level);
    const double fx = picture.width() / target.width();
    const double fy = picture.height() / target.height();
    const QRectF source((clip.left() - target.left()) * fx, (clip.top() - target.top()) * fy, clip.width() * fx,
                        clip.height() * fy);
    painter.save();
    if (i > 0) {
      painter.setCompositionMode(compositionFor(layer.op));
      painter.setOpacity(layer.transparency / 255.0);
    }
    // Smooth when reducing or enlarging a little; exact pixels when zoomed well in.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, fx > 0.5);
    painter.drawImage(clip, picture, source);
    painter.restore();
  }
  paintLayerBoxes(painter);
  paintSelection(painter);
}

bool ImageView::layerEditable(int index) const {
  if (document_ == nullptr || index < 0 || index >= document_->layerCount()) return false;
  const Layer& layer = document_->layer(index);
  return layer.visible && layer.selectable && !layer.locked;
}

void ImageView::paintLayerBoxes(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  for (int i = 0; i < document_->layerCount(); ++i) {
    const Layer& layer = document_->layer(i);
    if (!layer.visible || !layer.frameShown) continue;
    const QRectF r = layerRectOnScreen(i);
    // From (left − 1, top − 1) to (right + 1, bottom + 1), a solid pen 2 pixels wide.
    painter.setPen(QPen(kLayerBoxColour, kLayerBoxWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(QRectF(r.left() - 1, r.top() - 1, r.width() + 2, r.height() + 2));
  }
  if (mouseMode_ != MouseMode::MoveLayers) return;
  const int current = document_->currentLayer();
  if (!layerEditable(current)) return;
  const QRectF r = layerRectOnScreen(current);
  painter.setPen(QPen(kLayerBoxColour, 1));
  painter.setBrush(Qt::white);
  const double half = kHandleSize / 2.0;
  for (double hx : {r.left(), r.center().x(), r.right()})
    for (double hy : {r.top(), r.center().y(), r.bottom()}) {
      if (hx == r.center().x() && hy == r.center().y()) continue;
      painter.drawRect(QRectF(hx - half, hy - half, kHandleSize, kHandleSize));
    }
}

void ImageView::paintSelection(QPainter& painter) {
  if (selection_.isEmpty()) return;
  const QRectF r(documentToViewport(selection_.topLeft()), documentToViewport(selection_.topLeft() +
                                                                               QPoint(selection_.width(), selection_.height())));
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::white, 1));
  painter.drawRect(r);
  QPen dashes(Qt::black, 1, Qt::DashLine);
  painter.setPen(dashes);
  painter.drawRect(r);
}

void ImageView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollBars();
  emit viewResized();
}

void ImageView::scrollContentsBy(int, int) {
  viewport()->update();
  emit viewChanged();
}

void ImageView::wheelEvent(QWheelEvent* event) {
  if (document_ == nullptr) return;
  const double notches = event->angleDelta().y() / 120.0;
  if (notches == 0) return;
  const double before = zoom_;
  setZoomAt(zoom_ * std::pow(kWheelStep, notches), event->position());
  if (zoom_ != before) emit zoomChangedByUser(zoom_);
  event->accept();
}

ImageView::Handle ImageView::handleAt(QPointF pos) const {
  if (document_ == nullptr) return Handle::None;
  const int current = document_->currentLayer();
  if (!layerEditable(current)) return Handle::None;
  const QRectF r = layerRectOnScreen(current);
  const double reach = kHandleSize;
  auto near = [&](double a, double b) { return std::abs(a - b) <= reach / 2 + 1; };
  const bool l = near(pos.x(), r.left()), rr = near(pos.x(), r.right());
  const bool t = near(pos.y(), r.top()), b = near(pos.y(), r.bottom());
  const bool cx = near(pos.x(), r.center().x()), cy = near(pos.y(), r.center().y());
  if (l && t) return Handle::TopLeft;
  if (rr && t) return Handle::TopRight;
  if (l && b) return Handle::BottomLeft;
  if (rr && b) return Handle::BottomRight;
  if (l && cy) return Handle::Left;
  if (rr && cy) return Handle::Right;
  if (t && cx) return Handle::Top;
  if (b && cx) return Handle::Bottom;
  if (r.contains(pos)) return Handle::Move;
  return Handle::None;
}

int ImageView::layerAt(QPointF pos) const {
  for (int i = document_->layerCount() - 1; i >= 0; --i)
    if (layerEditable(i) && layerRectOnScreen(i).contains(pos)) return i;
  return -1;
}

void ImageView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || document_ == nullptr) return;
  const QPointF pos = event->position();
  dragStart_ = pos;
  dragging_ = true;
  switch (mouseMode_) {
    case MouseMode::Scroll:
      scrollStart_ = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
      viewport()->setCursor(Qt::ClosedHandCursor);
      break;
    case MouseMode::SelectRectangle: {
      const QPointF p = viewportToDocument(pos);
      const Bitmap& photo = document_->photo().bitmap;
      selectionAnchor_ = QPointF(std::clamp(std::round(p.x()), 0.0, double(photo.width())),
                                 std::clamp(std::round(p.y()), 0.0, double(photo.height())));
      selection_ = QRect();
      viewport()->update();
      break;
    }
    case MouseMode::MoveLayers: {
      dragHandle_ = handleAt(pos);
      if (dragHandle_ == Handle::None) {
        const int hit = layerAt(pos);
        if (hit < 0) {
          dragging_ = false;
          return;
        }
        document_->setCurrentLayer(hit);
        dragHandle_ = Handle::Move;
      }
      dragLayer_ = document_->currentLayer();
      const Layer& layer = document_->layer(dragLayer_);
      layerStart_ = QRectF(layer.x, layer.y, layer.displayWidth, layer.displayHeight);
      viewport()->update();
      break;
    }
  }
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
  const QPointF pos = event->position();
  if (!dragging_) {
    if (mouseMode_ == MouseMode::MoveLayers && document_ != nullptr) {
      static const Qt::CursorShape shapes[] = {Qt::ArrowCursor,   Qt::SizeAllCursor, Qt::SizeHorCursor,
                                               Qt::SizeVerCursor, Qt::SizeHorCursor, Qt::SizeVerCursor,
                                               Qt::SizeFDiagCursor, Qt::SizeBDiagCursor, Qt::SizeBDiagCursor,
                                               Qt::SizeFDiagCursor};
      viewport()->setCursor(shapes[static_cast<int>(handleAt(pos))]);
    }
    return;
  }
  switch (mouseMode_) {
    case MouseMode::Scroll: {
      const QPointF d = pos - dragStart_;
      horizontalScrollBar()->setValue(scrollStart_.x() - static_cast<int>(std::lround(d.x())));
      verticalScrollBar()->setValue(scrollStart_.y() - static_cast<int>(std::lround(d.y())));
      break;
    }
    case MouseMode::SelectRectangle: dragSelection(pos); break;
    case MouseMode::MoveLayers: dragLayer(pos, event->modifiers() & Qt::ShiftModifier); break;
  }
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  switch (mouseMode_) {
    case MouseMode::Scroll: viewport()->setCursor(Qt::OpenHandCursor); break;
    case MouseMode::SelectRectangle:
      dragSelection(event->position());
      emit selectionChanged(selection_);
      break;
    case MouseMode::MoveLayers:
      dragLayer(event->position(), event->modifiers() & Qt::ShiftModifier);
      updateScrollBars();
      emit layerGeometryChanged(dragLayer_);
      break;
  }
}

void ImageView::dragSelection(QPointF pos) {
  const Bitmap& photo = document_->photo().bitmap;
  const QPointF p = viewportToDocument(pos);
  const double bx = std::clamp(std::round(p.x()), 0.0, double(photo.width()));
  const double by = std::clamp(std::round(p.y()), 0.0, double(photo.height()));
  double w = bx - selectionAnchor_.x();
  double h = by - selectionAnchor_.y();
  if (selectionAspect_ > 0) {
    // The height follows the width; where that would leave the picture, both shrink together.
    const double sy = h < 0 ? -1.0 : 1.0;
    const double roomY = sy > 0 ? photo.height() - selectionAnchor_.y() : selectionAnchor_.y();
    double aw = std::abs(w);
    if (aw * selectionAspect_ > roomY) aw = roomY / selectionAspect_;
    w = w < 0 ? -aw : aw;
    h = sy * std::round(aw * selectionAspect_);
    w = w < 0 ? -std::round(aw) : std::round(aw);
  }
  const QRect r = QRectF(selectionAnchor_, QSizeF(w, h)).normalized().toRect();
  selection_ = r.width() > 0 && r.height() > 0 ? r : QRect();
  viewport()->update();
}

void ImageView::dragLayer(QPointF pos, bool shift) {
  if (dragLayer_ < 0 || dragLayer_ >= document_->layerCount()) return;
  Layer& layer = document_->layer(dragLayer_);
  const double s = zoom_ / 100.0;
  const double dx = (pos.x() - dragStart_.x()) / s;
  const double dy = (pos.y() - dragStart_.y()) / s;
  double left = layerStart_.left(), top = layerStart_.top();
  double right = layerStart_.right(), bottom = layerStart_.bottom();
  const Handle h = dragHandle_;
  if (h == Handle::Move) {
    left += dx, right += dx, top += dy, bottom += dy;
  } else {
    if (h == Handle::Left || h == Handle::TopLeft || h == Handle::BottomLeft) left = std::min(left + dx, right - 1);
    if (h == Handle::Right || h == Handle::TopRight || h == Handle::BottomRight) right = std::max(right + dx, left + 1);
    if (h == Handle::Top || h == Handle::TopLeft || h == Handle::TopRight) top = std::min(top + dy, bottom - 1);
    if (h == Handle::Bottom || h == Handle::BottomLeft || h == Handle::BottomRight) bottom = std::max(bottom + dy, top + 1);
    if ((keepProportions_ || shift) && layerStart_.height() > 0) {
      const double ratio = layerStart_.width() / layerStart_.height();
      const bool horizontalEdge = h == Handle::Top || h == Handle::Bottom;
      const bool verticalEdge = h == Handle::Left || h == Handle::Right;
      double w = right - left, hh = bottom - top;
      if (horizontalEdge) {
        w = hh * ratio;
      } else if (verticalEdge) {
        hh = w / ratio;
      } else if (w / ratio > hh) {
        hh = w / ratio;
      } else {
        w = hh * ratio;
      }
      w = std::max(1.0, w), hh = std::max(1.0, hh);
      // The corner or edge opposite the handle stays where it was.
      if (h == Handle::Left || h == Handle::TopLeft || h == Handle::BottomLeft) left = right - w; else right = left + w;
      if (h == Handle::Top || h == Handle::TopLeft || h == Handle::TopRight) top = bottom - hh; else bottom = top + hh;
    }
  }
  layer.x = static_cast<int>(std::lround(left));
  layer.y = static_cast<int>(std::lround(top));
  layer.displayWidth = std::max(1, static_cast<int>(std::lround(right - left)));
  layer.displayHeight = std::max(1, static_cast<int>(std::lround(bottom - top)));
  viewport()->update();
}

}  // namespace virmeya
