// ImageView: the work area's view of a LayeredImage — zoom, scrolling, layer boxes, moving and resizing
// layers, and a rectangle selection measured in bitmap pixels.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointF>
#include <QRect>

#include <cstdint>
#include <vector>

#include "imaging/layered_image.h"
#include "workspace/studio.h"

namespace virmeya {

class ImageView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr double kMinZoom = 1.0;      // percent
  static constexpr double kMaxZoom = 3200.0;
  static constexpr double kWheelStep = 1.25;   // zoom factor per wheel notch

  explicit ImageView(QWidget* parent = nullptr);

  // The view draws `document` (not owned) and edits only its layers' positions and display sizes.
  void setDocument(LayeredImage* document);
  LayeredImage* document() const { return document_; }
  // The document's pixels or layers changed: drop the cached pictures and repaint.
  void documentChanged();

  double zoom() const { return zoom_; }  // percent, fractional
  void setZoom(double percent);
  // Zoom keeping the document point under `viewportPos` in place.
  void setZoomAt(double percent, QPointF viewportPos);

  MouseMode mouseMode() const { return mouseMode_; }
  void setMouseMode(MouseMode mode);

  // Rectangle selection in bitmap pixels of layer 0; empty when none.
  QRect selection() const { return selection_; }
  void setSelection(const QRect& rect);
  void clearSelection();
  // Height-to-width value the selection keeps (0: free).
  void setSelectionAspect(double heightPerWidth);
  double selectionAspect() const { return selectionAspect_; }

  // Resizing a layer keeps its width-to-height proportion (also while Shift is held).
  void setKeepProportions(bool on) { keepProportions_ = on; }
  bool keepProportions() const { return keepProportions_; }

  // Coordinate mapping between the viewport and the document.
  QPointF documentToViewport(QPointF p) const;
  QPointF viewportToDocument(QPointF p) const;
  QRectF layerRectOnScreen(int index) const;

 signals:
  void viewChanged();                       // zoom or scroll position changed
  void zoomChangedByUser(double percent);   // the wheel changed the zoom
  void selectionChanged(const QRect& rect);
  void layerGeometryChanged(int index);     // a layer was moved or resized by the mouse
  void viewResized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Pictures made from one layer's bitmap: level 0 wraps the bitmap's own rows (no copy, unless the
  // layer carries alpha); level k, made on first use, is the picture reduced 2^k times, used when
  // zoomed out so that a 24-megapixel photo is drawn from a picture near screen size.
  struct LayerCache {
    const std::uint8_t* data = nullptr;
    const std::uint8_t* alpha = nullptr;
    int width = 0, height = 0;
    std::vector<QImage> levels;
  };
  enum class Handle { None, Move, Left, Top, Right, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

  const QImage& levelFor(int index, double screenScale, int* level);
  void updateScrollBars();
  QRectF documentBounds() const;
  QPointF origin() const;
  Handle handleAt(QPointF viewportPos) const;
  int layerAt(QPointF viewportPos) const;
  bool layerEditable(int index) const;
  void dragLayer(QPointF viewportPos, bool shift);
  void dragSelection(QPointF viewportPos);
  void paintLayerBoxes(QPainter& painter);
  void paintSelection(QPainter& painter);

  LayeredImage* document_ = nullptr;
  std::vector<LayerCache> caches_;
  double zoom_ = 100.0;
  MouseMode mouseMode_;
  QRect selection_;
  double selectionAspect_ = 0.0;
  bool keepProportions_ = false;

  // Drag state.
  bool dragging_ = false;
  QPointF dragStart_;          // viewport position where the drag began
  QPoint scrollStart_;         // scroll bar values then
  QPointF selectionAnchor_;    // document point where the selection began
  Handle dragHandle_ = Handle::None;
  int dragLayer_ = -1;
  QRectF layerStart_;          // the dragged layer's document rectangle at the start
};

// The layer box pen: RGB (0, 128, 0), 2 pixels wide, drawn one pixel outside the layer.
inline constexpr int kLayerBoxWidth = 2;

}  // namespace virmeya
