// ThumbnailStrip: a grid of thumbnails on white; a click selects (red frame), a double click activates.
// Items hold a file name, decoded off the user-interface thread, or a picture given directly.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <vector>

namespace virmeya {

class Bitmap;

class ThumbnailStrip : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr int kSelectionFrame = 3;  // red frame width around the selected thumbnail
  static constexpr int kThumbnailFrame = 1;  // black frame width around each thumbnail, when shown

  explicit ThumbnailStrip(QWidget* parent = nullptr);
  ~ThumbnailStrip() override;

  // Thumbnail size and the gaps between cells (horizontal, vertical).
  void setCellSize(QSize size);
  QSize cellSize() const { return cellSize_; }
  void setSpacing(int horizontal, int vertical);
  QSize spacing() const { return spacing_; }
  // A thin black frame drawn just outside every thumbnail picture (off by default).
  void setThumbnailFrame(bool shown);
  bool thumbnailFrame() const { return thumbnailFrame_; }

  void clear();
  // Adds an item made from a picture file; the thumbnail appears when its decoding finishes.
  int addFile(const QString& fileName);
  void insertFile(int index, const QString& fileName);
  // Adds an item holding a picture (reduced to the cell at once).
  int addPicture(const QImage& picture, const QString& caption = {});
  int addPicture(const Bitmap& picture, const QString& caption = {});
  // Replaces the picture of an item (a thumbnail computed after its slot was made).
  void setPicture(int index, const QImage& picture);

  int count() const { return static_cast<int>(items_.size()); }
  QString fileName(int index) const;
  QImage thumbnail(int index) const;  // null while decoding
  bool isReady(int index) const;      // decoded (or failed and drawn as a placeholder)
  bool isUnreadable(int index) const;
  int pendingCount() const;           // items still decoding

  int selectedIndex() const { return selected_; }
  void setSelectedIndex(int index);   // -1 clears; out of range ignored

  int columns() const;
  QRect cellRect(int index) const;    // in viewport coordinates
  int indexAt(QPoint viewportPos) const;

 signals:
  void selectionChanged(int index);
  void activated(int index);         // double click on an item
  void thumbnailReady(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  enum class State { Decoding, Ready, Unreadable };
  struct Item {
    QString fileName;
    QString caption;
    QImage thumb;
    State state = State::Decoding;
    quint64 ticket = 0;  // matches the decoding job that fills this item
  };

  void startDecoding(Item& item);
  void decoded(quint64 ticket, const QImage& thumb, bool ok);
  void updateScrollBar();

  std::vector<Item> items_;
  QSize cellSize_{90, 80};
  QSize spacing_{6, 6};
  int selected_ = -1;
  bool thumbnailFrame_ = false;
  quint64 nextTicket_ = 1;
  // Decoding jobs run here; the destructor waits for them, so a late result never meets a dead strip.
  QThreadPool pool_;
};

// A picture reduced to fit `cell` (aspect kept, never enlarged), alpha merged onto white.
QImage thumbnailOf(const QImage& picture, QSize cell);

}  // namespace virmeya
