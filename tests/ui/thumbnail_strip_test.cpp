// ThumbnailStrip offscreen: grid layout, decoding off the user-interface thread, placeholders for
// unreadable files, the red selection frame, click and double click.
#include <QSignalSpy>
#include <QTest>

#include "tests/ui/ui_test_support.h"
#include "ui/thumbnail_strip.h"

namespace virmeya {
namespace {

class ThumbnailStripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::app();
    ASSERT_TRUE(dir.isValid());
    strip.setCellSize(QSize(90, 80));
    strip.setSpacing(10, 10);
    strip.resize(320, 300);
    strip.show();
  }
  bool waitDecoded() {
    return QTest::qWaitFor([&] { return strip.pendingCount() == 0; }, 10000);
  }

  QTemporaryDir dir;
  ThumbnailStrip strip;
};

TEST_F(ThumbnailStripTest, FilesDecodeIntoThumbnailsAndUnreadableOnesKeepTheirPlace) {
  const QString wide = test::writeSolidPicture(dir, "wide.png", 300, 100, rgb(0, 0, 255));
  const QString tall = test::writeSolidPicture(dir, "tall.bmp", 40, 160, rgb(0, 255, 0));
  const QString tiny = test::writeSolidPicture(dir, "tiny.png", 5, 4, rgb(255, 0, 0));
  strip.addFile(wide);
  strip.addFile(dir.filePath("missing.jpg"));
  strip.addFile(tall);
  strip.addFile(tiny);
  ASSERT_EQ(strip.count(), 4);
  ASSERT_TRUE(waitDecoded());
  // Reduced to the cell with the aspect kept; a small picture is never enlarged.
  EXPECT_EQ(strip.thumbnail(0).size(), QSize(90, 30));
  EXPECT_EQ(strip.thumbnail(2).size(), QSize(20, 80));
  EXPECT_EQ(strip.thumbnail(3).size(), QSize(5, 4));
  EXPECT_EQ(strip.thumbnail(0).pixel(45, 15), qRgb(0, 0, 255));
  EXPECT_TRUE(strip.isUnreadable(1));
  EXPECT_TRUE(strip.thumbnail(1).isNull());
  EXPECT_EQ(strip.fileName(1), dir.filePath("missing.jpg"));
  EXPECT_EQ(strip.fileName(2), tall);
}

TEST_F(ThumbnailStripTest, CellsFillRowsAsColumnsFit) {
  for (int i = 0; i < 7; ++i) strip.addPicture(QImage(10, 10, QImage::Format_RGB32));
  const int cols = strip.columns();
  EXPECT_EQ(cols, (strip.viewport()->width() - 10) / 100);
  EXPECT_EQ(strip.cellRect(0), QRect(10, 10, 90, 80));
  EXPECT_EQ(strip.cellRect(1).left(), 110);
  EXPECT_EQ(strip.cellRect(cols).top(), 100);
  EXPECT_EQ(strip.cellRect(cols).left(), 10);
}

TEST_F(ThumbnailStripTest, ClickSelectsWithARedFrameAndDoubleClickActivates) {
  QImage white(60, 60, QImage::Format_RGB32);
  white.fill(Qt::white);
  strip.addPicture(white);
  strip.addPicture(white);
  QSignalSpy selected(&strip, &ThumbnailStrip::selectionChanged);
  QSignalSpy activated(&strip, &ThumbnailStrip::activated);
  EXPECT_EQ(strip.selectedIndex(), -1);
  QTest::mouseClick(strip.viewport(), Qt::LeftButton, {}, strip.cellRect(1).center());
  EXPECT_EQ(strip.selectedIndex(), 1);
  ASSERT_EQ(selected.count(), 1);
  EXPECT_EQ(selected.at(0).at(0).toInt(), 1);
  EXPECT_EQ(activated.count(), 0);

  const QImage shot = strip.viewport()->grab().toImage();
  const QRect cell = strip.cellRect(1);
  // Three red pixels just outside the cell, white beyond them and around the other thumbnail.
  for (int d = 1; d <= 3; ++d) EXPECT_EQ(shot.pixel(cell.left() - d, cell.center().y()), qRgb(255, 0, 0)) << d;
  EXPECT_EQ(shot.pixel(cell.left() - 4, cell.center().y()), qRgb(255, 255, 255));
  EXPECT_EQ(shot.pixel(strip.cellRect(0).left() - 2, strip.cellRect(0).center().y()), qRgb(255, 255, 255));

  QTest::mouseDClick(strip.viewport(), Qt::LeftButton, {}, strip.cellRect(0).center());
  EXPECT_EQ(strip.selectedIndex(), 0);
  ASSERT_EQ(activated.count(), 1);
  EXPECT_EQ(activated.at(0).at(0).toInt(), 0);

  // A click between the cells selects nothing new.
  QTest::mouseClick(strip.viewport(), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(strip.selectedIndex(), 0);
}

TEST_F(ThumbnailStripTest, AThinBlackFrameLiesJustOutsideEachThumbnailWhenAskedFor) {
  QImage white(60, 40, QImage::Format_RGB32);
  white.fill(Qt::white);
  strip.addPicture(white);
  strip.addPicture(white);
  const QRect cell = strip.cellRect(0);
  // The 60 × 40 picture sits in the middle of its 90 × 80 cell.
  const QRect picture(cell.left() + 15, cell.top() + 20, 60, 40);
  const int midY = picture.center().y(), midX = picture.center().x();
  EXPECT_FALSE(strip.thumbnailFrame());
  QImage shot = strip.viewport()->grab().toImage();
  EXPECT_EQ(shot.pixel(picture.left() - 1, midY), qRgb(255, 255, 255));

  strip.setThumbnailFrame(true);
  strip.setSelectedIndex(1);
  shot = strip.viewport()->grab().toImage();
  struct Probe {
    QPoint at;
    QRgb colour;
  };
  const Probe probes[] = {
      {{picture.left() - 1, midY}, qRgb(0, 0, 0)},        {{picture.right() + 1, midY}, qRgb(0, 0, 0)},
      {{midX, picture.top() - 1}, qRgb(0, 0, 0)},         {{midX, picture.bottom() + 1}, qRgb(0, 0, 0)},
      {{picture.left() - 1, picture.top() - 1}, qRgb(0, 0, 0)},
      {{picture.right() + 1, picture.bottom() + 1}, qRgb(0, 0, 0)},
      {{picture.left(), midY}, qRgb(255, 255, 255)},      {{picture.left() - 2, midY}, qRgb(255, 255, 255)},
      {{midX, picture.bottom() + 2}, qRgb(255, 255, 255)},
  };
  for (const Probe& p : probes) EXPECT_EQ(shot.pixel(p.at), p.colour) << p.at.x() << "," << p.at.y();
  // The selected one keeps its red frame outside the cell as well.
  const QRect selected = strip.cellRect(1);
  EXPECT_EQ(shot.pixel(selected.left() - 2, selected.center().y()), qRgb(255, 0, 0));
  EXPECT_EQ(shot.pixel(selected.left() + 14, selected.center().y()), qRgb(0, 0, 0));
}

TEST_F(ThumbnailStripTest, PicturesGivenDirectlyAndClearing) {
  Bitmap picture(180, 40, rgb(10, 20, 30));
  picture.addAlpha(0);  // fully transparent: shows white
  strip.addPicture(picture, "caption");
  EXPECT_TRUE(strip.isReady(0));
  EXPECT_EQ(strip.thumbnail(0).size(), QSize(90, 20));
  EXPECT_EQ(strip.thumbnail(0).pixel(10, 10), qRgb(255, 255, 255));
  strip.setSelectedIndex(0);
  strip.clear();
  EXPECT_EQ(strip.count(), 0);
  EXPECT_EQ(strip.selectedIndex(), -1);
}

}  // namespace
}  // namespace virmeya
