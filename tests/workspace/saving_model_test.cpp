// The saving model: type list, save flow, quick export, size texts, suffix rules, failed writes, the
// close question, the optimisation estimate, clipboard picture and PDF printing.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "codecs/exif_reader.h"
#include "imaging/codecs/codecs.h"
#include "workspace/saving.h"
#include "workspace/studio.h"

namespace virmeya {
namespace {

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray bytesOf(const std::vector<std::uint8_t>& v) {
  return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

// A picture with structure, so JPEG sizes depend on the quality.
Bitmap testPicture(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      b.setPixel(x, y, Bgr{static_cast<std::uint8_t>((x * 7 + y * 3) & 255),
                           static_cast<std::uint8_t>((x * y) & 255), static_cast<std::uint8_t>((y * 11) & 255)});
    }
  }
  return b;
}

class SavingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    studio.setConfigDir(dir.filePath("config"));
    const QString photo = dir.filePath("photo.png");
    writePicture(testPicture(64, 48), photo.toStdString());
    ASSERT_TRUE(studio.openPhoto(photo).ok());
    studio.notifyImageChanged();  // an edit
    ASSERT_TRUE(studio.modifiedFlag());
  }

  QTemporaryDir dir;
  Studio studio;
  Saving& saving = Saving::of(studio);
};

TEST(SaveTypes, FirstSevenInOrderAndJpegAtStart) {
  const char* expected[] = {"TIFF", "GIF", "JPEG", "PCX", "BMP", "ICO", "PNG"};
  ASSERT_GE(saveTypeCount(), 7);
  for (int i = 0; i < 7; ++i) EXPECT_STREQ(saveFileType(i + 1).name, expected[i]) << i + 1;
  Studio studio;
  EXPECT_EQ(Saving::of(studio).saveType(), 3);
  EXPECT_EQ(&Saving::of(studio), &Saving::of(studio));  // one model per studio
  EXPECT_EQ(Saving::of(studio).jpegQualityValue(), 80);
  EXPECT_EQ(saveTypeFilters().size(), saveTypeCount());
  for (int i = 1; i <= saveTypeCount(); ++i) EXPECT_EQ(saveTypeForFilter(saveTypeFilter(i)), i);
  EXPECT_EQ(saveTypeForWord("tiff"), 1);
  EXPECT_EQ(saveTypeForWord("JPG"), 3);
  EXPECT_EQ(saveTypeForWord("png"), 7);
  EXPECT_EQ(saveTypeForWord("webp"), 0);
}

TEST(SaveTypes, ExtensionSuppliedOnlyWhenNoneTyped) {
  struct Case {
    const char* typed;
    int type;
    const char* expected;
  } cases[] = {
      {"/a/photo", kSaveTypePng, "/a/photo.png"},
      {"/a/photo", kSaveTypeTiff, "/a/photo.tif"},
      {"/a/photo", kSaveTypeJpeg, "/a/photo.jpg"},
      {"/a/photo.png", kSaveTypeJpeg, "/a/photo.png"},  // the typed extension decides the format
      {"/a/photo.JPEG", kSaveTypeBmp, "/a/photo.JPEG"},
      {"/a/Отпуск 2024.12", kSaveTypeGif, "/a/Отпуск 2024.12.gif"},  // a dot is not an extension
      {"/a.d/photo", kSaveTypeBmp, "/a.d/photo.bmp"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(nameWithTypeExtension(QString::fromUtf8(c.typed), c.type), QString::fromUtf8(c.expected)) << c.typed;
  }
}

TEST(QuickExport, TableAndPreselection) {
  const std::pair<const char*, int> expected[] = {{"BMP", 5}, {"JPEG", 3}, {"PNG", 7}, {"GIF", 2}, {"TIFF", 1}};
  Studio studio;
  Saving& saving = Saving::of(studio);
  for (int i = 0; i < 5; ++i) {
    EXPECT_STREQ(kQuickExportItems[i].caption, expected[i].first);
    EXPECT_EQ(kQuickExportItems[i].typeIndex, expected[i].second);
    saving.preselectQuickExport(i);
    EXPECT_EQ(saving.saveType(), expected[i].second);
  }
}

TEST_F(SavingTest, TiffQuickExportStaysChosenForTheNextSave) {
  saving.preselectQuickExport(4);  // "TIFF"
  ASSERT_EQ(saving.saveType(), kSaveTypeTiff);
  // The dialog opens with the kept type and the user confirms a name without extension.
  const SaveOutcome out = saving.save({dir.filePath("a"), saving.saveType()});
  ASSERT_TRUE(out.saved()) << out.message.toStdString();
  EXPECT_EQ(out.fileName, dir.filePath("a.tif"));
  EXPECT_EQ(probePicture(out.fileName.toStdString()).format, PictureFormat::Tiff);
  EXPECT_EQ(saving.saveType(), kSaveTypeTiff);  // the next plain save starts with TIFF
}

TEST_F(SavingTest, TypeChosenInTheDialogIsKept) {
  ASSERT_TRUE(saving.save({dir.filePath("b"), kSaveTypeBmp}).saved());
  EXPECT_EQ(saving.saveType(), kSaveTypeBmp);
  // A cancelled dialog changes nothing, not even the type.
  EXPECT_EQ(saving.save({QString(), kSaveTypePng}).status, SaveOutcome::Status::Cancelled);
  EXPECT_EQ(saving.saveType(), kSaveTypeBmp);
}

TEST_F(SavingTest, QualityAskedOnlyForJpeg) {
  int asked = 0;
  int shownWith = -1;
  const QualityDialog dialog = [&](int current) {
    ++asked;
    shownWith = current;
    return 55;
  };
  ASSERT_TRUE(saving.save({dir.filePath("p"), kSaveTypePng}, dialog).saved());
  EXPECT_EQ(asked, 0);
  const SaveOutcome out = saving.save({dir.filePath("j"), kSaveTypeJpeg}, dialog);
  ASSERT_TRUE(out.saved());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(shownWith, 80);  // start value
  EXPECT_EQ(saving.jpegQualityValue(), 55);
  EXPECT_EQ(saving.fileParameters().jpeg.quality, 55);
  // The file is the current picture encoded at the dialog's quality, with the refreshed thumbnail.
  EXPECT_EQ(readAll(out.fileName), bytesOf(encodeJpeg(studio.image().current().bitmap, JpegOptions{55, 0, false},
                                                      &saving.fileParameters().thumbnail)));
  // The value survives: the next time the dialog starts at 55.
  ASSERT_TRUE(saving.save({dir.filePath("j2"), kSaveTypeJpeg}, dialog).saved());
  EXPECT_EQ(shownWith, 55);
}

TEST_F(SavingTest, QualityDialogValueIsClampedToItsRange) {
  ASSERT_TRUE(saving.save({dir.filePath("j"), kSaveTypeJpeg}, [](int) { return 1; }).saved());
  EXPECT_EQ(saving.jpegQualityValue(), kJCompMin);
}

TEST_F(SavingTest, ModifiedFlagClearedOnlyByAWrittenFile) {
  EXPECT_EQ(saving.save({}).status, SaveOutcome::Status::Cancelled);
  EXPECT_TRUE(studio.modifiedFlag());
  ASSERT_TRUE(saving.save({dir.filePath("ok.png"), kSaveTypePng}).saved());
  EXPECT_FALSE(studio.modifiedFlag());
  EXPECT_EQ(saving.fileParameters().thumbnail.width(), kThumbnailWidth);
  EXPECT_EQ(saving.fileParameters().thumbnail.height(), 120);  // 48 × 160 / 64
}

std::vector<std::uint8_t> fileBytes(const QString& path) {
  const QByteArray data = readAll(path);
  return std::vector<std::uint8_t>(data.begin(), data.end());
}

TEST_F(SavingTest, JpegCarriesTheRefreshedThumbnail) {
  const SaveOutcome out = saving.save({dir.filePath("thumb.jpg"), kSaveTypeJpeg});
  ASSERT_TRUE(out.saved());
  const std::optional<testing::ExifFound> exif = testing::findExif(fileBytes(out.fileName));
  ASSERT_TRUE(exif.has_value());
  EXPECT_EQ(exif->orientation, 1);
  EXPECT_EQ(exif->compression, 6);
  const DecodedPicture thumbnail = decodePicture(exif->thumbnail.data(), exif->thumbnail.size());
  EXPECT_EQ(thumbnail.bitmap.width(), kThumbnailWidth);
  EXPECT_EQ(thumbnail.bitmap.height(), 120);  // 48 × 160 / 64: the picture's proportions
  const DecodedPicture back = readPicture(out.fileName.toStdString());
  EXPECT_EQ(back.bitmap.width(), 64);
  EXPECT_EQ(back.bitmap.height(), 48);
  EXPECT_EQ(back.orientation, 1);

  // The next save refreshes it from the picture as it is then.
  const QString wide = dir.filePath("wide.png");
  writePicture(testPicture(200, 50), wide.toStdString());
  ASSERT_TRUE(studio.openPhoto(wide).ok());
  const SaveOutcome again = saving.save({dir.filePath("thumb.jpg"), kSaveTypeJpeg});
  ASSERT_TRUE(again.saved());
  const std::optional<testing::ExifFound> refreshed = testing::findExif(fileBytes(again.fileName));
  ASSERT_TRUE(refreshed.has_value());
  const DecodedPicture small = decodePicture(refreshed->thumbnail.data(), refreshed->thumbnail.size());
  EXPECT_EQ(small.bitmap.width(), kThumbnailWidth);
  EXPECT_EQ(small.bitmap.height(), 40);  // 50 × 160 / 200
}

// A strip a few pixels wide would make a thumbnail of millions of rows: it is saved without one.
TEST_F(SavingTest, StripPictureSavesWithoutAThumbnail) {
  const QString strip = dir.filePath("strip.png");
  writePicture(testPicture(2, 100), strip.toStdString());  // 8000 rows at the thumbnail's width
  ASSERT_TRUE(studio.openPhoto(strip).ok());
  const SaveOutcome out = saving.save({dir.filePath("strip.jpg"), kSaveTypeJpeg});
  ASSERT_TRUE(out.saved());
  EXPECT_TRUE(saving.fileParameters().thumbnail.empty());
  EXPECT_FALSE(testing::findExif(fileBytes(out.fileName)).has_value());
  EXPECT_EQ(readPicture(out.fileName.toStdString()).bitmap.height(), 100);
}

TEST_F(SavingTest, SavesTheCurrentLayerUnmerged) {
  studio.image().addLayer(testPicture(10, 7), 3, 4);  // a pending layer made current
  const SaveOutcome out = saving.save({dir.filePath("layer.png"), kSaveTypePng});
  ASSERT_TRUE(out.saved());
  const DecodedPicture back = readPicture(out.fileName.toStdString());
  EXPECT_EQ(back.bitmap.width(), 10);
  EXPECT_EQ(back.bitmap.height(), 7);
  EXPECT_EQ(studio.image().layerCount(), 2);
}

TEST_F(SavingTest, FailedWriteNamesTheFileAndKeepsTheFlag) {
  // A folder that cannot exist: its parent is a regular file. Fails for root too.
  const QString blocker = dir.filePath("plain-file");
  QFile f(blocker);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  const QString target = blocker + "/photo.png";
  const SaveOutcome out = saving.save({target, kSaveTypePng});
  EXPECT_EQ(out.status, SaveOutcome::Status::Failed);
  EXPECT_TRUE(out.message.contains(target)) << out.message.toStdString();
  EXPECT_TRUE(out.message.startsWith(QString::fromUtf8("Не удалось"))) << out.message.toStdString();
  EXPECT_TRUE(studio.modifiedFlag());
}

// A full disk, simulated with the file-size limit (works for root, whom folder permissions do not stop).
TEST_F(SavingTest, DiskFullLeavesTheOldFileByteIdentical) {
  const QString target = dir.filePath("old.png");
  {
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the old picture");
  }
  const QByteArray before = readAll(target);
  studio.image().setPhoto(testPicture(256, 256));  // encodes to far more than the limit below
  studio.notifyImageChanged();

  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const SaveOutcome out = saving.save({target, kSaveTypePng});
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(out.status, SaveOutcome::Status::Failed);
  EXPECT_TRUE(out.message.contains(target)) << out.message.toStdString();
  EXPECT_EQ(readAll(target), before);
  EXPECT_TRUE(studio.modifiedFlag());
  // No temporary file is left behind.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // photo.png, old.png
}

TEST_F(SavingTest, ReadOnlyFolderLeavesTheOldFileByteIdentical) {
  if (geteuid() == 0) GTEST_SKIP() << "folder permissions do not stop root";
  ASSERT_TRUE(QDir(dir.path()).mkdir("locked"));
  const QString target = dir.filePath("locked/old.bmp");
  ASSERT_TRUE(saving.save({target, kSaveTypeBmp}).saved());
  const QByteArray before = readAll(target);
  studio.image().setPhoto(testPicture(30, 30));
  studio.notifyImageChanged();
  ASSERT_EQ(chmod(dir.filePath("locked").toLocal8Bit().constData(), 0555), 0);
  const SaveOutcome out = saving.save({target, kSaveTypeBmp});
  chmod(dir.filePath("locked").toLocal8Bit().constData(), 0755);
  EXPECT_EQ(out.status, SaveOutcome::Status::Failed);
  EXPECT_TRUE(out.message.contains(target));
  EXPECT_EQ(readAll(target), before);
  EXPECT_TRUE(studio.modifiedFlag());
}

// ---- the close question

TEST_F(SavingTest, CloseQuestion) {
  struct Case {
    CloseAnswer answer;
    SaveOutcome::Status saveStatus;
    bool closes;
    int saves;
  } cases[] = {
      {CloseAnswer::Cancel, SaveOutcome::Status::Saved, false, 0},
      {CloseAnswer::No, SaveOutcome::Status::Saved, true, 0},
      {CloseAnswer::Yes, SaveOutcome::Status::Saved, true, 1},
      // Yes and then a cancelled or failed save: the window stays open, the work is not lost.
      {CloseAnswer::Yes, SaveOutcome::Status::Cancelled, false, 1},
      {CloseAnswer::Yes, SaveOutcome::Status::Failed, false, 1},
  };
  for (const Case& c : cases) {
    int asked = 0;
    int saves = 0;
    const bool closes = saving.closeQuery(
        [&] {
          ++asked;
          return c.answer;
        },
        [&] {
          ++saves;
          SaveOutcome o;
          o.status = c.saveStatus;
          return o;
        });
    EXPECT_EQ(closes, c.closes) << static_cast<int>(c.answer) << "/" << static_cast<int>(c.saveStatus);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(saves, c.saves);
  }
}

TEST_F(SavingTest, CloseAfterASaveAsksNothing) {
  ASSERT_TRUE(saving.save({dir.filePath("done.png"), kSaveTypePng}).saved());
  bool asked = false;
  EXPECT_TRUE(saving.closeQuery(
      [&] {
        asked = true;
        return CloseAnswer::Cancel;
      },
      [] { return SaveOutcome{}; }));
  EXPECT_FALSE(asked);
}

TEST_F(SavingTest, CloseYesThenCancelledDialogKeepsTheWork) {
  const bool closes =
      saving.closeQuery([] { return CloseAnswer::Yes; }, [&] { return saving.save(SaveDialogOutcome{}); });
  EXPECT_FALSE(closes);
  EXPECT_TRUE(studio.modifiedFlag());
}

// ---- the JPEG optimisation dialog

TEST(SizeTexts, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(sourceSizeText(640, 480), QString::fromUtf8("Размер 900 Kb"));
  EXPECT_EQ(sourceSizeText(32, 16), QString::fromUtf8("Размер 2 Kb"));    // 1.5
  EXPECT_EQ(sourceSizeText(48, 32), QString::fromUtf8("Размер 4 Kb"));    // 4.5
  EXPECT_EQ(sourceSizeText(1, 1), QString::fromUtf8("Размер 0 Kb"));      // 0.003
  EXPECT_EQ(sourceSizeText(6000, 4000), QString::fromUtf8("Размер 70312 Kb"));  // 70312.5
  EXPECT_EQ(destSizeText(1536, 80), QString::fromUtf8("Размер 2 Kb при качестве 80%"));
  EXPECT_EQ(destSizeText(2560, 100), QString::fromUtf8("Размер 2 Kb при качестве 100%"));
  EXPECT_EQ(destSizeText(3584, 1), QString::fromUtf8("Размер 4 Kb при качестве 1%"));
  EXPECT_EQ(destSizeText(511, 50), QString::fromUtf8("Размер 0 Kb при качестве 50%"));
}

TEST(JpegSuffix, AppendedOnlyWhenMissing) {
  const std::pair<const char*, const char*> cases[] = {
      {"/d/photo", "/d/photo.jpg"},         {"/d/photo.jpg", "/d/photo.jpg"},
      {"/d/PHOTO.JPG", "/d/PHOTO.JPG"},     {"/d/photo.jpeg", "/d/photo.jpeg"},
      {"/d/photo.JpEg", "/d/photo.JpEg"},   {"/d/photo.png", "/d/photo.png.jpg"},
      {"/d/x.jpg.bak", "/d/x.jpg.bak.jpg"}, {"/d/photojpg", "/d/photojpg.jpg"},
  };
  for (const auto& [typed, expected] : cases) EXPECT_EQ(nameWithJpegSuffix(typed), QString(expected)) << typed;
}

TEST_F(SavingTest, EstimateWritesTempJpegAndShowsTheDecodedPicture) {
  JpegOptimizeValues& values = saving.jpegOptimizeValues();
  EXPECT_EQ(values.compress, 80);
  EXPECT_EQ(values.smooth, 0);
  EXPECT_FALSE(values.optimal);
  const JpegEstimate at80 = saving.estimateJpeg();
  const Bitmap& layer0 = studio.image().layer(0).bitmap;
  const auto expected = encodeJpeg(layer0, JpegOptions{80, 0, false});
  EXPECT_EQ(at80.bytes, expected.size());
  EXPECT_EQ(at80.text, destSizeText(expected.size(), 80));
  EXPECT_EQ(at80.tempFile, QDir(studio.configDir()).filePath("temp.jpg"));
  EXPECT_EQ(readAll(at80.tempFile), bytesOf(expected));
  ASSERT_EQ(at80.decoded.width(), 64);
  EXPECT_EQ(at80.decoded.height(), 48);
  EXPECT_FALSE(at80.decoded.samePixels(layer0));  // lossy: what a decoder sees, not the source

  values.compress = 100;
  const JpegEstimate at100 = saving.estimateJpeg();
  values.compress = 10;
  const JpegEstimate at10 = saving.estimateJpeg();
  EXPECT_GT(at100.bytes, at80.bytes);
  EXPECT_GT(at80.bytes, at10.bytes);
  EXPECT_TRUE(at10.text.endsWith(QString::fromUtf8("при качестве 10%")));
  // The optimal Huffman tables make the same picture smaller.
  values.optimal = true;
  EXPECT_LT(saving.estimateJpeg().bytes, at10.bytes);
}

TEST_F(SavingTest, EstimateSurvivesAnUnwritableConfigFolder) {
  QFile blocker(dir.filePath("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  studio.setConfigDir(dir.filePath("blocker/config"));
  const JpegEstimate e = saving.estimateJpeg();
  EXPECT_TRUE(e.tempFile.isEmpty());
  EXPECT_FALSE(e.tempMessage.isEmpty());
  EXPECT_GT(e.bytes, 0u);
  EXPECT_EQ(e.decoded.width(), 64);
}

TEST_F(SavingTest, OptimizedSaveTakesLayer0AndKeepsTheFlag) {
  studio.image().addLayer(testPicture(5, 5));  // a pending layer is current
  saving.jpegOptimizeValues().compress = 42;
  saving.jpegOptimizeValues().smooth = 20;
  saving.jpegOptimizeValues().optimal = true;
  const SaveOutcome out = saving.saveOptimizedJpeg(dir.filePath("opt.jpg"));
  ASSERT_TRUE(out.saved()) << out.message.toStdString();
  EXPECT_EQ(out.fileName, dir.filePath("opt.jpg"));  // not opt.jpg.jpg
  EXPECT_FALSE(QFile::exists(dir.filePath("opt.jpg.jpg")));
  EXPECT_EQ(readAll(out.fileName), bytesOf(encodeJpeg(studio.image().layer(0).bitmap, JpegOptions{42, 20, true})));
  EXPECT_TRUE(studio.modifiedFlag());
  EXPECT_EQ(saving.saveOptimizedJpeg(QString()).status, SaveOutcome::Status::Cancelled);
  EXPECT_TRUE(saving.saveOptimizedJpeg(dir.filePath("plain")).saved());
  EXPECT_TRUE(QFile::exists(dir.filePath("plain.jpg")));
}

// ---- clipboard and printing

TEST(Pictures, ImageKeepsColoursAndAlpha) {
  Bitmap b(3, 2, Bgr{10, 20, 30});  // blue 10, green 20, red 30
  b.setPixel(2, 1, Bgr{200, 100, 50});
  QImage image = pictureImage(b);
  ASSERT_EQ(image.size(), QSize(3, 2));
  EXPECT_EQ(image.pixel(0, 0), qRgb(30, 20, 10));
  EXPECT_EQ(image.pixel(2, 1), qRgb(50, 100, 200));
  b.addAlpha(255);
  b.alphaRow(0)[1] = 0;
  image = pictureImage(b);
  EXPECT_TRUE(image.hasAlphaChannel());
  EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 255);
}

TEST(Printing, PictureFitsThePageCentred) {
  // 960 × 480 at 96 ppi is 10 × 5 inches: on a 300 dpi page 6.67 inches wide it is reduced.
  const QRectF big = pictureRectOnPage(QSize(960, 480), QRectF(0, 0, 2000, 3000), 300);
  EXPECT_DOUBLE_EQ(big.width(), 2000);
  EXPECT_DOUBLE_EQ(big.height(), 1000);
  EXPECT_DOUBLE_EQ(big.top(), 1000);
  // A small picture keeps its own size (one inch), centred.
  const QRectF small = pictureRectOnPage(QSize(96, 96), QRectF(100, 100, 2000, 3000), 300);
  EXPECT_DOUBLE_EQ(small.width(), 300);
  EXPECT_DOUBLE_EQ(small.left(), 100 + 850);
  EXPECT_DOUBLE_EQ(small.top(), 100 + 1350);
  EXPECT_TRUE(pictureRectOnPage(QSize(), QRectF(0, 0, 10, 10), 300).isEmpty());
}

TEST(Printing, PaintsThePictureOnThePage) {
  QImage page(200, 300, QImage::Format_RGB32);
  page.fill(Qt::white);
  Bitmap red(96, 48, Bgr{0, 0, 255});
  {
    QPainter painter(&page);
    paintPictureOnPage(painter, pictureImage(red), QRectF(0, 0, 200, 300), 96);
  }
  EXPECT_EQ(page.pixel(100, 150), qRgb(255, 0, 0));  // centre: the picture
  EXPECT_EQ(page.pixel(100, 100), qRgb(255, 255, 255));  // above it: paper
  EXPECT_EQ(page.pixel(40, 150), qRgb(255, 255, 255));
}

TEST_F(SavingTest, PrintsToPdf) {
  const QString pdf = dir.filePath("print.pdf");
  const SaveOutcome out = saving.printToPdf(pdf);
  ASSERT_TRUE(out.saved()) << out.message.toStdString();
  const QByteArray bytes = readAll(pdf);
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_TRUE(bytes.contains("/Image"));
  EXPECT_TRUE(studio.modifiedFlag());  // printing is no save
  const SaveOutcome bad = saving.printToPdf(dir.filePath("nowhere/print.pdf"));
  EXPECT_EQ(bad.status, SaveOutcome::Status::Failed);
  EXPECT_TRUE(bad.message.contains(dir.filePath("nowhere/print.pdf")));
}

}  // namespace
}  // namespace virmeya
