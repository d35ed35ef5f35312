// ThumbnailStrip: layout, painting, selection, and decoding of file thumbnails on a thread pool.
#include "ui/thumbnail_strip.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <exception>

#include "imaging/bitmap.h"
#include "imaging/codecs/codecs.h"

namespace virmeya {

namespace {

const QColor kSelectionColour(255, 0, 0);
const QColor kThumbnailFrameColour(0, 0, 0);
const QColor kPlaceholderFill(236, 236, 236);
const QColor kPlaceholderLine(176, 176, 176);

// Thumbnails already made, so that refilling a strip with the same files costs nothing. Used on the
// user-interface thread only; the key holds the file's time and size, so a changed file is redone.
struct ThumbKey {
  QString path;
  QSize cell;
  qint64 modified = 0, size = 0;
  bool operator==(const ThumbKey&) const = default;
};
size_t qHash(const ThumbKey& k, size_t seed = 0) { return qHashMulti(seed, k.path, k.cell.width(), k.cell.height(), k.modified, k.size); }

QHash<ThumbKey, QImage>& thumbCache() {
  static QHash<ThumbKey, QImage> cache;
  return cache;
}
constexpr int kThumbCacheLimit = 256;

ThumbKey keyFor(const QString& path, QSize cell) {
  const QFileInfo info(path);
  return {info.absoluteFilePath(), cell, info.exists() ? info.lastModified().toMSecsSinceEpoch() : -1, info.size()};
}

// The decoded picture as a QImage: its own rows wrapped, alpha merged onto white.
QImage imageOf(const Bitmap& bitmap) {
  QImage wrapped(bitmap.data(), bitmap.width(), bitmap.height(), static_cast<qsizetype>(bitmap.stride()),
                 QImage::Format_BGR888);
  if (!bitmap.hasAlpha()) return wrapped;
  QImage out = wrapped.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < bitmap.height(); ++y) {
    const std::uint8_t* a = bitmap.alphaRow(y);
    auto* p = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < bitmap.width(); ++x) {
      const int w = a[x];
      auto over = [w](int c) { return 255 - (255 - c) * w / 255; };
      p[x] = qRgb(over(qRed(p[x])), over(qGreen(p[x])), over(qBlue(p[x])));
    }
  }
  return out;
}

}  // namespace

QImage thumbnailOf(const QImage& picture, QSize cell) {
  if (picture.isNull() || cell.isEmpty()) return {};
  QImage opaque = picture;
  if (picture.hasAlphaChannel()) {
    opaque = QImage(picture.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter p(&opaque);
    p.drawImage(0, 0, picture);
  }
  if (opaque.width() <= cell.width() && opaque.height() <= cell.height())
    return opaque.convertToFormat(QImage::Format_RGB32);
  // Halve first while far above the cell: cheap and keeps the final smooth pass small.
  QImage reduced = opaque;
  while (reduced.width() >= 4 * cell.width() && reduced.height() >= 4 * cell.height())
    reduced = reduced.scaled(reduced.width() / 2, reduced.height() / 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  return reduced.scaled(cell, Qt::KeepAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
}

ThumbnailStrip::ThumbnailStrip(QWidget* parent) : QAbstractScrollArea(parent) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFrameShape(QFrame::StyledPanel);
  setBackgroundRole(QPalette::Base);
  QPalette pal = viewport()->palette();
  pal.setColor(QPalette::Base, Qt::white);
  pal.setColor(QPalette::Window, Qt::white);
  viewport()->setPalette(pal);
  viewport()->setAutoFillBackground(true);
  pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

ThumbnailStrip::~ThumbnailStrip() {
  pool_.clear();
  pool_.waitForDone();
}

void ThumbnailStrip::setCellSize(QSize size) {
  cellSize_ = size;
  updateScrollBar();
  viewport()->update();
}

void ThumbnailStrip::setSpacing(int horizontal, int vertical) {
  spacing_ = QSize(horizontal, vertical);
  updateScrollBar();
  viewport()->update();
}

void ThumbnailStrip::setThumbnailFrame(bool shown) {
  thumbnailFrame_ = shown;
  viewport()->update();
}

void ThumbnailStrip::clear() {
  pool_.clear();  // jobs not yet started are dropped; running ones report to a ticket nobody holds
  items_.clear();
  if (selected_ != -1) {
    selected_ = -1;
    emit selectionChanged(-1);
  }
  updateScrollBar();
  viewport()->update();
}

int ThumbnailStrip::addFile(const QString& fileName) {
  insertFile(count(), fileName);
  return count() - 1;
}

void ThumbnailStrip::insertFile(int index, const QString& fileName) {
  index = std::clamp(index, 0, count());
  Item item;
  item.fileName = fileName;
  item.caption = QFileInfo(fileName).fileName();
  startDecoding(item);
  items_.insert(items_.begin() + index, std::move(item));
  if (selected_ >= index) ++selected_;
  updateScrollBar();
  viewport()->update();
}

int ThumbnailStrip::addPicture(const QImage& picture, const QString& caption) {
  Item item;
  item.caption = caption;
  item.thumb = thumbnailOf(picture, cellSize_);
  item.state = item.thumb.isNull() ? State::Unreadable : State::Ready;
  items_.push_back(std::move(item));
  updateScrollBar();
  viewport()->update();
  return count() - 1;
}

void ThumbnailStrip::setPicture(int index, const QImage& picture) {
  if (index < 0 || index >= count()) return;
  Item& item = items_[static_cast<std::size_t>(index)];
  item.thumb = thumbnailOf(picture, cellSize_);
  item.state = item.thumb.isNull() ? State::Unreadable : State::Ready;
  item.ticket = 0;  // a decoding still running for this item no longer applies
  viewport()->update(cellRect(index).adjusted(-kSelectionFrame, -kSelectionFrame, kSelectionFrame, kSelectionFrame));
}

int ThumbnailStrip::addPicture(const Bitmap& picture, const QString& caption) {
  if (picture.empty()) return addPicture(QImage(), caption);
  return addPicture(imageOf(picture), caption);
}

void ThumbnailStrip::startDecoding(Item& item) {
  const ThumbKey key = keyFor(item.fileName, cellSize_);
  if (auto it = thumbCache().constFind(key); it != thumbCache().constEnd()) {
    item.thumb = *it;
    item.state = it->isNull() ? State::Unreadable : State::Ready;
    return;
  }
  item.ticket = nextTicket_++;
  item.state = State::Decoding;
  const quint64 ticket = item.ticket;
  const QString path = item.fileName;
  const QSize cell = cellSize_;
  pool_.start([this, ticket, path, cell] {
    QImage thumb;
    bool ok = false;
    try {
      const DecodedPicture decoded = readPicture(path.toStdString());
      thumb = thumbnailOf(imageOf(decoded.bitmap), cell);
      ok = !thumb.isNull();
    } catch (const std::exception&) {
      ok = false;  // drawn as a placeholder that keeps the item's place
    }
    QMetaObject::invokeMethod(this, [this, ticket, thumb, ok] { decoded(ticket, thumb, ok); }, Qt::QueuedConnection);
  });
}

void ThumbnailStrip::decoded(quint64 ticket, const QImage& thumb, bool ok) {
  for (int i = 0; i < count(); ++i) {
    Item& item = items_[static_cast<std::size_t>(i)];
    if (item.ticket != ticket || item.state != State::Decoding) continue;
    item.thumb = ok ? thumb : QImage();
    item.state = ok ? State::Ready : State::Unreadable;
    auto& cache = thumbCache();
    if (cache.size() >= kThumbCacheLimit) cache.clear();
    cache.insert(keyFor(item.fileName, cellSize_), item.thumb);
    viewport()->update(cellRect(i).adjusted(-kSelectionFrame, -kSelectionFrame, kSelectionFrame, kSelectionFrame));
    emit thumbnailReady(i);
    return;
  }
}

QString ThumbnailStrip::fileName(int index) const {
  return index >= 0 && index < count() ? items_[static_cast<std::size_t>(index)].fileName : QString();
}

QImage ThumbnailStrip::thumbnail(int index) const {
  return index >= 0 && index < count() ? items_[static_cast<std::size_t>(index)].thumb : QImage();
}

bool ThumbnailStrip::isReady(int index) const {
  return index >= 0 && index < count() && items_[static_cast<std::size_t>(index)].state != State::Decoding;
}

bool ThumbnailStrip::isUnreadable(int index) const {
  return index >= 0 && index < count() && items_[static_cast<std::size_t>(index)].state == State::Unreadable;
}

int ThumbnailStrip::pendingCount() const {
  return static_cast<int>(std::count_if(items_.begin(), items_.end(),
                                        [](const Item& i) { return i.state == State::Decoding; }));
}

void ThumbnailStrip::setSelectedIndex(int index) {
  if (index < -1 || index >= count() || index == selected_) return;
  const int old = selected_;
  selected_ = index;
  const int m = kSelectionFrame;
  if (old >= 0) viewport()->update(cellRect(old).adjusted(-m, -m, m, m));
  if (index >= 0) {
    viewport()->update(cellRect(index).adjusted(-m, -m, m, m));
    const QRect r = cellRect(index);
    if (r.top() < 0) verticalScrollBar()->setValue(verticalScrollBar()->value() + r.top() - spacing_.height());
    else if (r.bottom() > viewport()->height())
      verticalScrollBar()->setValue(verticalScrollBar()->value() + r.bottom() - viewport()->height() + spacing_.height());
  }
  emit selectionChanged(index);
}

int ThumbnailStrip::columns() const {
  const int step = cellSize_.width() + spacing_.width();
  return std::max(1, (viewport()->width() - spacing_.width()) / std::max(1, step));
}

QRect ThumbnailStrip::cellRect(int index) const {
  const int cols = columns();
  const int row = index / cols, col = index % cols;
  const int x = spacing_.width() + col * (cellSize_.width() + spacing_.width());
  const int y = spacing_.height() + row * (cellSize_.height() + spacing_.height()) - verticalScrollBar()->value();
  return {x, y, cellSize_.width(), cellSize_.height()};
}

int ThumbnailStrip::indexAt(QPoint pos) const {
  for (int i = 0; i < count(); ++i)
    if (cellRect(i).contains(pos)) return i;
  return -1;
}

void ThumbnailStrip::updateScrollBar() {
  const int cols = columns();
  const int rows = (count() + cols - 1) / cols;
  const int height = spacing_.height() + rows * (cellSize_.height() + spacing_.height());
  verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
  verticalScrollBar()->setPageStep(viewport()->height());
  verticalScrollBar()->setSingleStep(cellSize_.height() / 2 + 1);
}

void ThumbnailStrip::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.fillRect(event->rect(), Qt::white);
  for (int i = 0; i < count(); ++i) {
    const QRect cell = cellRect(i);
    if (!cell.adjusted(-kSelectionFrame, -kSelectionFrame, kSelectionFrame, kSelectionFrame).intersects(event->rect()))
      continue;
    const Item& item = items_[static_cast<std::size_t>(i)];
    if (item.state == State::Ready && !item.thumb.isNull()) {
      const QSize s = item.thumb.size();
      const QPoint at(cell.left() + (cell.width() - s.width()) / 2, cell.top() + (cell.height() - s.height()) / 2);
      painter.drawImage(at, item.thumb);
      if (thumbnailFrame_) {
        // Outside the picture, so no thumbnail pixel is covered; the red selection frame, drawn
        // later, covers it where the picture fills its cell.
        const int m = kThumbnailFrame;
        const QRect picture(at, s);
        const QRect outer = picture.adjusted(-m, -m, m, m);
        painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), m), kThumbnailFrameColour);
        painter.fillRect(QRect(outer.left(), picture.bottom() + 1, outer.width(), m), kThumbnailFrameColour);
        painter.fillRect(QRect(outer.left(), picture.top(), m, s.height()), kThumbnailFrameColour);
        painter.fillRect(QRect(picture.right() + 1, picture.top(), m, s.height()), kThumbnailFrameColour);
      }
    } else if (item.state == State::Unreadable) {
      // A plain placeholder: a light card with a crossed-out picture sign.
      const QRect card = cell.adjusted(4, 4, -4, -4);
      painter.fillRect(card, kPlaceholderFill);
      painter.setPen(QPen(kPlaceholderLine, 1));
      painter.drawRect(card.adjusted(0, 0, -1, -1));
      const QRect sign(card.center().x() - 12, card.center().y() - 9, 24, 18);
      painter.drawRect(sign);
      painter.drawLine(sign.topLeft(), sign.bottomRight());
      painter.drawLine(sign.bottomLeft(), sign.topRight());
    } else {
      painter.fillRect(cell.adjusted(8, 8, -8, -8), QColor(246, 246, 246));
    }
    if (i == selected_) {
      painter.setPen(QPen(kSelectionColour, kSelectionFrame, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
      painter.setBrush(Qt::NoBrush);
      // The frame is 3 pixels wide and lies just outside the thumbnail's cell.
      const double half = kSelectionFrame / 2.0;
      painter.drawRect(QRectF(cell).adjusted(-half, -half, half, half));
    }
  }
}

void ThumbnailStrip::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollBar();
}

void ThumbnailStrip::scrollContentsBy(int, int) { viewport()->update(); }

void ThumbnailStrip::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int index = indexAt(event->position().toPoint());
  if (index >= 0) setSelectedIndex(index);
}

// The press did the selecting; the release belongs to it.
void ThumbnailStrip::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void ThumbnailStrip::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int index = indexAt(event->position().toPoint());
  if (index < 0) return;
  setSelectedIndex(index);
  emit activated(index);
}

}  // namespace virmeya
