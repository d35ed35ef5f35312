// ImageView offscreen: mapping between screen and bitmap, zoom, drawing, layer boxes, moving and
// resizing layers, and the rectangle selection with a kept height-to-width value.
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "tests/ui/ui_test_support.h"
#include "ui/image_view.h"

namespace virmeya {
namespace {

constexpr Bgr kPhotoColour = rgb(200, 30, 30);
constexpr Bgr kGrey = rgb(128, 128, 128);

class ImageViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::app();
    doc.setBackground(kGrey);
    doc.setPhoto(Bitmap(200, 100, kPhotoColour));
    view.setDocument(&doc);
    view.resize(400, 300);
    view.show();
    QApplication::processEvents();
  }
  QRgb pixelAt(QPoint p) {
    const QImage shot = view.viewport()->grab().toImage();
    return shot.pixel(p);
  }
  // Drags with the left button from a to b (viewport coordinates).
  void drag(QPointF a, QPointF b) {
    QWidget* vp = view.viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, a.toPoint());
    QMouseEvent move(QEvent::MouseMove, b, vp->mapToGlobal(b), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, b.toPoint());
  }

  LayeredImage doc;
  ImageView view;
};

TEST_F(ImageViewTest, SmallPictureIsCentredAndMapsBothWays) {
  const QSize vp = view.viewport()->size();
  const QPointF topLeft = view.documentToViewport({0, 0});
  EXPECT_DOUBLE_EQ(topLeft.x(), std::floor((vp.width() - 200) / 2.0));
  EXPECT_DOUBLE_EQ(topLeft.y(), std::floor((vp.height() - 100) / 2.0));
  for (QPointF p : {QPointF(0, 0), QPointF(13.5, 77), QPointF(199, 99)})
    EXPECT_EQ(view.viewportToDocument(view.documentToViewport(p)), p);
  view.setZoom(250);
  for (QPointF p : {QPointF(0, 0), QPointF(13.5, 77), QPointF(199, 99)}) {
    const QPointF back = view.viewportToDocument(view.documentToViewport(p));
    EXPECT_NEAR(back.x(), p.x(), 1e-9);
    EXPECT_NEAR(back.y(), p.y(), 1e-9);
  }
}

TEST_F(ImageViewTest, DrawsThePhotoOnTheBackgroundAtAnyZoom) {
  for (double zoom : {100.0, 12.5, 3.0, 400.0}) {
    view.setZoom(zoom);
    QApplication::processEvents();
    const QPointF centre = view.documentToViewport({100, 50});
    EXPECT_EQ(pixelAt(centre.toPoint()), qRgb(200, 30, 30)) << zoom;
    if (zoom < 100) {
      EXPECT_EQ(pixelAt({1, 1}), qRgb(128, 128, 128)) << zoom;
    }
  }
}

TEST_F(ImageViewTest, HalvedPicturesAverageTheirPixels) {
  // A fine checkerboard drawn far zoomed out shows as the average grey, not as one of its colours.
  Bitmap checker(512, 512);
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) checker.setPixel(x, y, (x + y) % 2 ? kWhite : kBlack);
  doc.setPhoto(std::move(checker));
  view.documentChanged();
  view.setZoom(12.5);
  QApplication::processEvents();
  const QRgb c = pixelAt(view.documentToViewport({256, 256}).toPoint());
  EXPECT_NEAR(qRed(c), 128, 3);
  EXPECT_NEAR(qGreen(c), 128, 3);
}

TEST_F(ImageViewTest, WheelZoomKeepsThePointUnderTheCursor) {
  // Zoomed in far enough that the picture overflows the view, so that it can scroll.
  view.setZoom(400);
  QSignalSpy spy(&view, &ImageView::zoomChangedByUser);
  const QPointF at(120, 90);
  const QPointF before = view.viewportToDocument(at);
  QWheelEvent wheel(at, view.viewport()->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(view.viewport(), &wheel);
  EXPECT_DOUBLE_EQ(view.zoom(), 400.0 * ImageView::kWheelStep);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_DOUBLE_EQ(spy.at(0).at(0).toDouble(), view.zoom());
  const QPointF after = view.viewportToDocument(at);
  // Scroll positions are whole screen pixels: a fraction of a bitmap pixel may remain.
  EXPECT_NEAR(after.x(), before.x(), 0.5);
  EXPECT_NEAR(after.y(), before.y(), 0.5);
}

TEST_F(ImageViewTest, DraggingScrollsALargePicture) {
  view.setZoom(800);
  const int h0 = view.horizontalScrollBar()->value();
  const int v0 = view.verticalScrollBar()->value();
  drag({200, 150}, {150, 120});
  EXPECT_EQ(view.horizontalScrollBar()->value(), h0 + 50);
  EXPECT_EQ(view.verticalScrollBar()->value(), v0 + 30);
}

TEST_F(ImageViewTest, LayerBoxIsGreenAndTwoPixelsOutsideTheLayer) {
  Layer& layer = doc.addLayer(Bitmap(40, 20, kWhite), 50, 30);
  layer.frameShown = true;
  view.documentChanged();
  QApplication::processEvents();
  const QRectF r = view.layerRectOnScreen(1);
  EXPECT_EQ(pixelAt(QPoint(int(r.left()) - 1, int(r.center().y()))), qRgb(0, 128, 0));
  EXPECT_EQ(pixelAt(QPoint(int(r.left()) - 2, int(r.center().y()))), qRgb(0, 128, 0));
  EXPECT_EQ(pixelAt(QPoint(int(r.left()) + 2, int(r.center().y()))), qRgb(255, 255, 255));
  doc.photo().frameShown = false;  // an opened photo's box is hidden
  EXPECT_EQ(pixelAt(view.documentToViewport({0, 50}).toPoint() - QPoint(1, 0)), qRgb(128, 128, 128));
}

TEST_F(ImageViewTest, SelectionIsInBitmapPixelsAndKeepsItsProportion) {
  view.setZoom(200);
  view.setMouseMode(MouseMode::SelectRectangle);
  QSignalSpy spy(&view, &ImageView::selectionChanged);
  drag(view.documentToViewport({10, 10}), view.documentToViewport({60, 40}));
  EXPECT_EQ(view.selection(), QRect(10, 10, 50, 30));
  EXPECT_GE(spy.count(), 1);

  struct Case {
    double aspect;
    QPointF from, to;
    QRect expected;
  };
  const Case cases[] = {
      {0.5, {10, 10}, {110, 90}, QRect(10, 10, 100, 50)},     // height follows the width
      {0.5, {110, 60}, {10, 0}, QRect(10, 10, 100, 50)},      // dragged up and to the left
      {2.0, {0, 0}, {100, 99}, QRect(0, 0, 50, 100)},         // limited by the picture's height
      {0.0, {150, 50}, {400, 400}, QRect(150, 50, 50, 50)},   // free, clamped to the picture
  };
  for (const Case& c : cases) {
    view.setSelectionAspect(c.aspect);
    view.setZoom(100);
    drag(view.documentToViewport(c.from), view.documentToViewport(c.to));
    EXPECT_EQ(view.selection(), c.expected) << c.aspect;
  }
}

TEST_F(ImageViewTest, LayersMoveAndResizeWithHandles) {
  doc.addLayer(Bitmap(40, 20, kWhite), 50, 30);
  view.documentChanged();
  view.setMouseMode(MouseMode::MoveLayers);
  view.setZoom(200);
  QSignalSpy spy(&view, &ImageView::layerGeometryChanged);
  // Move: drag inside by 20 screen pixels = 10 bitmap pixels at 200 %.
  const QPointF inside = view.documentToViewport({60, 35});
  drag(inside, inside + QPointF(20, -10));
  EXPECT_EQ(doc.layer(1).x, 60);
  EXPECT_EQ(doc.layer(1).y, 25);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toInt(), 1);

  // Free resize by the bottom-right handle.
  QRectF r = view.layerRectOnScreen(1);
  drag(r.bottomRight(), r.bottomRight() + QPointF(40, 10));
  EXPECT_EQ(doc.layer(1).displayWidth, 60);
  EXPECT_EQ(doc.layer(1).displayHeight, 25);
  EXPECT_EQ(doc.layer(1).x, 60);

  // With kept proportions a corner drag scales both sides alike (60 × 25 → 120 × 50).
  view.setKeepProportions(true);
  r = view.layerRectOnScreen(1);
  drag(r.bottomRight(), r.bottomRight() + QPointF(120, 0));
  EXPECT_EQ(doc.layer(1).displayWidth, 120);
  EXPECT_EQ(doc.layer(1).displayHeight, 50);
  // A locked layer does not move.
  doc.layer(1).locked = true;
  const QPointF in2 = view.layerRectOnScreen(1).center();
  drag(in2, in2 + QPointF(30, 30));
  EXPECT_EQ(doc.layer(1).x, 60);
}

}  // namespace
}  // namespace virmeya
