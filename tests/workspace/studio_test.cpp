// The studio model: pages and keep-or-drop, history with its captions and enabling, opening photos,
// the recent list and its file, fitting, status texts, the Edit preview reference.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fstream>

#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"
#include "workspace/studio.h"
#include "workspace/text_file.h"

using namespace virmeya;

namespace {

QString q(const char* s) { return QString::fromUtf8(s); }

// A picture whose every pixel depends on (x, y, seed), so two pictures are told apart anywhere.
Bitmap pattern(int w, int h, int seed) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      b.setPixel(x, y, Bgr{std::uint8_t(x * 7 + seed), std::uint8_t(y * 5 + seed * 3), std::uint8_t(seed * 40 + x + y)});
    }
  }
  return b;
}

class StudioTest : public ::testing::Test {
 protected:
  QString writePhoto(const char* name, int w, int h, int seed) {
    const QString path = dir.filePath(q(name));
    writePicture(pattern(w, h, seed), std::filesystem::path(path.toStdString()));
    return path;
  }
  // An undoable operation as the tools run it: here it inverts layer 0.
  void invertOperation(const char* caption, UndoableOptions options = {}) {
    studio.runUndoable(q(caption), [](LayeredImage& doc) {
      Bitmap& b = doc.photo().bitmap;
      for (std::size_t i = 0; i < b.byteCount(); ++i) b.data()[i] = std::uint8_t(255 - b.data()[i]);
    }, options);
  }
  // What a Decor or Montage tool leaves while the user still looks at it.
  void addPendingLayer() {
    studio.image().addLayer(Bitmap(5, 5, kWhite), 2, 2);
    studio.notifyImageChanged();
  }
  struct Enabling {
    bool undoM, undoB, redoM, redoB;
    friend bool operator==(const Enabling&, const Enabling&) = default;
  };
  Enabling enabling() const {
    return {studio.undoMenuEnabled(), studio.undoButtonEnabled(), studio.redoMenuEnabled(), studio.redoButtonEnabled()};
  }
  bool layer0Is(const Bitmap& b) const { return studio.image().photo().bitmap.samePixels(b); }

  QTemporaryDir dir;
  Studio studio;
};

TEST_F(StudioTest, StartsBlankOnTheOpenPageWithNothingToUndo) {
  EXPECT_EQ(studio.image().layerCount(), 1);
  EXPECT_TRUE(layer0Is(Bitmap(1, 1, Bgr{128, 128, 128})));
  EXPECT_TRUE(studio.committedImage().empty());
  EXPECT_EQ(studio.mode(), kModeOpenPhoto);
  EXPECT_EQ(studio.page(), Page::Open);
  EXPECT_FALSE(studio.photoPanelsShown());
  EXPECT_EQ(enabling(), (Enabling{false, false, false, false}));
  EXPECT_EQ(studio.undoCaption(), q("Отменить"));
  EXPECT_EQ(studio.redoCaption(), q("Повторить"));
  EXPECT_EQ(studio.hint(), q("Выберите фотографию для оформления. Масштаб изображения регулируется колесом прокрутки."));
  EXPECT_FALSE(studio.modifiedFlag());
  EXPECT_FALSE(studio.pictureCommandsEnabled());
  EXPECT_EQ(studio.sizeText(), q("1 x 1"));
  EXPECT_EQ(kModeNames[0], std::string("Открыть фотографию"));
  EXPECT_EQ(kModeNames[1], std::string("Редактирование"));
}

TEST_F(StudioTest, OpenLoadsTheFileAndEntersThePhotoOpenState) {
  const QString path = writePhoto("a.png", 40, 30, 1);
  studio.setTemplatePreviewFlag(true);
  const OpenResult r = studio.openPhoto(path);
  ASSERT_EQ(r.status, OpenResult::Status::Opened) << r.message.toStdString();
  EXPECT_TRUE(layer0Is(pattern(40, 30, 1)));
  EXPECT_TRUE(studio.committedImage().samePixels(pattern(40, 30, 1)));
  EXPECT_FALSE(studio.image().photo().frameShown);
  EXPECT_EQ(studio.mode(), kModeEditing);
  EXPECT_EQ(studio.decorTab(), 1);
  EXPECT_TRUE(studio.photoPanelsShown());
  EXPECT_EQ(studio.hint(), q("Теперь можно отредактировать фотографию или сразу приступить к оформлению"));
  EXPECT_FALSE(studio.templatePreviewFlag());
  EXPECT_FALSE(studio.modifiedFlag());
  EXPECT_EQ(studio.recentList(), QStringList{path});
  EXPECT_EQ(studio.openedFileName(), path);
  EXPECT_TRUE(studio.pictureCommandsEnabled());
  EXPECT_EQ(studio.sizeText(), q("40 x 30"));
}

TEST_F(StudioTest, CancelledDialogChangesNothing) {
  studio.openPhoto(writePhoto("a.png", 8, 8, 1));
  EXPECT_EQ(studio.openPhoto(QString()).status, OpenResult::Status::Cancelled);
  EXPECT_TRUE(layer0Is(pattern(8, 8, 1)));
  EXPECT_EQ(studio.recentList().size(), 1);
}

TEST_F(StudioTest, EnablingFollowsTheTable) {
  const QString path = writePhoto("a.png", 6, 4, 1);
  struct Step {
    const char* name;
    std::function<void()> run;
    Enabling expected;
  };
  const Step steps[] = {
      {"open", [&] { studio.openPhoto(path); }, {false, false, false, false}},
      {"operation", [&] { invertOperation(undo_caption::kMirror); }, {true, true, false, false}},
      {"undo", [&] { studio.undo(); }, {false, false, true, true}},
      {"redo", [&] { studio.redo(); }, {true, true, false, false}},
      {"undo again", [&] { studio.undo(); }, {false, false, true, true}},
      {"revert", [&] { studio.revert(); }, {true, true, false, false}},
      {"open again", [&] { studio.openPhoto(path); }, {false, false, false, false}},
  };
  for (const Step& s : steps) {
    s.run();
    EXPECT_EQ(enabling(), s.expected) << s.name;
  }
}

TEST_F(StudioTest, UndoTwiceDoesNothingTheSecondTime) {
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  invertOperation(undo_caption::kSharpen);
  ASSERT_TRUE(studio.undo());
  EXPECT_TRUE(layer0Is(pattern(6, 4, 1)));
  const QString redoCaption = studio.redoCaption();
  EXPECT_FALSE(studio.undo());
  EXPECT_TRUE(layer0Is(pattern(6, 4, 1)));
  EXPECT_EQ(studio.redoCaption(), redoCaption);
  EXPECT_FALSE(studio.undoMenuEnabled());
}

TEST_F(StudioTest, UndoRedoUndoAlternatesAndCarriesTheWords) {
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  invertOperation(undo_caption::kEffect);
  Bitmap worked = studio.image().photo().bitmap.clone();
  EXPECT_EQ(studio.undoCaption(), q("Отменить применение эффекта"));

  studio.undo();
  EXPECT_TRUE(layer0Is(pattern(6, 4, 1)));
  EXPECT_TRUE(studio.committedImage().samePixels(pattern(6, 4, 1)));
  EXPECT_EQ(studio.redoCaption(), q("Повторить применение эффекта"));

  studio.redo();
  EXPECT_TRUE(layer0Is(worked));
  EXPECT_TRUE(studio.committedImage().samePixels(worked));
  EXPECT_EQ(studio.undoCaption(), q("Отменить применение эффекта"));

  studio.undo();
  EXPECT_TRUE(layer0Is(pattern(6, 4, 1)));
  EXPECT_EQ(studio.redoCaption(), q("Повторить применение эффекта"));
}

TEST_F(StudioTest, OperationAfterUndoDisablesRedoAndReplacesTheCaption) {
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  invertOperation(undo_caption::kEffect);
  studio.undo();
  invertOperation(undo_caption::kFrame);
  EXPECT_FALSE(studio.redoMenuEnabled());
  EXPECT_FALSE(studio.redoButtonEnabled());
  EXPECT_FALSE(studio.redo());
  EXPECT_EQ(studio.undoCaption(), q("Отменить наложение рамки"));
  studio.undo();
  EXPECT_EQ(studio.redoCaption(), q("Повторить наложение рамки"));
}

TEST_F(StudioTest, SaveUndoLeavesTheMenuItemToTheCaller) {
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  invertOperation(undo_caption::kEffect);
  studio.undo();
  studio.saveUndo();
  EXPECT_EQ(enabling(), (Enabling{false, true, false, false}));
  EXPECT_TRUE(studio.undoImage().samePixels(studio.image().photo().bitmap));
}

TEST_F(StudioTest, UndoDropsPendingLayers) {
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  invertOperation(undo_caption::kEffect);
  addPendingLayer();
  studio.image().setCurrentLayer(1);
  studio.undo();
  EXPECT_EQ(studio.image().layerCount(), 1);
  EXPECT_EQ(studio.image().currentLayer(), 0);
  EXPECT_TRUE(layer0Is(pattern(6, 4, 1)));
}

TEST_F(StudioTest, HistoryCopiesPixelsOnlyAndTracksSizeChanges) {
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  studio.runUndoable(q(undo_caption::kCrop), [](LayeredImage& doc) {
    Bitmap cropped = pattern(3, 2, 9);
    cropped.addAlpha(200);
    doc.setPhoto(std::move(cropped));
  });
  EXPECT_FALSE(studio.undoImage().hasAlpha());
  EXPECT_TRUE(studio.committedImage().hasAlpha());  // the committed copy is whole
  studio.undo();
  EXPECT_EQ(studio.image().photo().displayWidth, 6);
  EXPECT_FALSE(studio.redoImage().hasAlpha());
  EXPECT_EQ(studio.redoImage().width(), 3);
  studio.redo();
  EXPECT_EQ(studio.image().photo().displayWidth, 3);
  EXPECT_TRUE(layer0Is(pattern(3, 2, 9)));
}

TEST_F(StudioTest, PreviewOperationLeavesTheCommittedPictureUntilAPageChange) {
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  invertOperation(undo_caption::kEffect, UndoableOptions{.commit = false});
  EXPECT_TRUE(studio.committedImage().samePixels(pattern(6, 4, 1)));
  Bitmap worked = studio.image().photo().bitmap.clone();
  studio.showMontagePage();  // one layer: the effect is kept
  EXPECT_EQ(studio.page(), Page::Montage);
  EXPECT_TRUE(studio.committedImage().samePixels(worked));
  EXPECT_TRUE(layer0Is(worked));
}

TEST_F(StudioTest, PageChangeDropsPendingLayersAndReturnsToTheCommittedPhoto) {
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  studio.setZoom(300);
  // A tool previews over a picture started from the committed one.
  studio.image().photo().bitmap.assign(pattern(6, 4, 5));
  addPendingLayer();
  studio.showEditPage();
  EXPECT_EQ(studio.page(), Page::Edit);
  EXPECT_EQ(studio.image().layerCount(), 1);
  EXPECT_TRUE(layer0Is(pattern(6, 4, 1)));
  EXPECT_FALSE(studio.image().photo().selectable);
  EXPECT_EQ(studio.mouseMode(), MouseMode::Scroll);
  EXPECT_EQ(studio.zoom(), 100.0);  // fitted again
  EXPECT_EQ(studio.hint(), q("Редактирование фотографии"));
  EXPECT_EQ(studio.editPreviewReference().width(), 220);
}

TEST_F(StudioTest, EveryPageButtonCommitsOrDiscards) {
  const Page pages[] = {Page::Edit, Page::Effects, Page::Montage, Page::Decor};
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  for (Page p : pages) {
    addPendingLayer();
    studio.pressPageButton(p);
    EXPECT_EQ(studio.page(), p);
    EXPECT_EQ(studio.image().layerCount(), 1) << pageWord(p);
    EXPECT_TRUE(layer0Is(pattern(6, 4, 1))) << pageWord(p);
  }
}

TEST_F(StudioTest, OpenButtonOpensTheDialogOnlyOnTheOpenPage) {
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  EXPECT_TRUE(studio.pressOpenButton());  // Open page showing: the caller runs the dialog
  EXPECT_EQ(studio.page(), Page::Open);

  studio.showDecorPage();
  addPendingLayer();
  EXPECT_FALSE(studio.pressOpenButton());
  EXPECT_EQ(studio.page(), Page::Open);
  EXPECT_EQ(studio.image().layerCount(), 1);
  EXPECT_TRUE(layer0Is(pattern(6, 4, 1)));
}

TEST_F(StudioTest, OpeningDropsPendingLayersAndEmptiesTheHistory) {
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  invertOperation(undo_caption::kDecorations);
  addPendingLayer();
  studio.openPhoto(writePhoto("b.png", 7, 5, 2));
  EXPECT_EQ(studio.image().layerCount(), 1);
  EXPECT_TRUE(layer0Is(pattern(7, 5, 2)));
  EXPECT_EQ(enabling(), (Enabling{false, false, false, false}));
  EXPECT_FALSE(studio.undo());
  invertOperation(undo_caption::kCaption);
  EXPECT_TRUE(studio.undoMenuEnabled());
  studio.undo();
  EXPECT_TRUE(layer0Is(pattern(7, 5, 2)));
}

TEST_F(StudioTest, RevertReloadsTheFileAndIsUndoable) {
  const QString path = writePhoto("a.png", 6, 4, 1);
  studio.openPhoto(path);
  studio.runUndoable(q(undo_caption::kCrop), [](LayeredImage& doc) { doc.setPhoto(pattern(3, 2, 7)); });
  invertOperation(undo_caption::kEffect);
  Bitmap worked = studio.image().photo().bitmap.clone();
  addPendingLayer();
  studio.setMouseMode(MouseMode::MoveLayers);

  const OpenResult r = studio.revert();
  EXPECT_EQ(r.status, OpenResult::Status::Opened);
  EXPECT_EQ(studio.image().layerCount(), 1);
  EXPECT_TRUE(layer0Is(pattern(6, 4, 1)));
  EXPECT_TRUE(studio.committedImage().samePixels(pattern(6, 4, 1)));
  EXPECT_EQ(studio.mouseMode(), MouseMode::Scroll);
  EXPECT_EQ(studio.undoCaption(), q("Отменить возврат к исходному"));

  studio.undo();
  EXPECT_TRUE(layer0Is(worked));
  EXPECT_EQ(studio.redoCaption(), q("Повторить возврат к исходному"));
}

TEST_F(StudioTest, RevertFollowsTheRecentPhotoLastOpened) {
  const QString a = writePhoto("a.png", 6, 4, 1), b = writePhoto("b.png", 5, 5, 2);
  studio.openPhoto(a);
  studio.openPhoto(b);
  studio.showOpenPage();
  studio.selectRecent(1);  // a.png
  studio.openSelectedRecent();
  invertOperation(undo_caption::kEffect);
  studio.revert();
  EXPECT_TRUE(layer0Is(pattern(6, 4, 1)));
}

TEST_F(StudioTest, RevertBeforeAnyPhotoKeepsTheBlankAndIsUndoable) {
  studio.revert();
  EXPECT_TRUE(layer0Is(Bitmap(1, 1, Bgr{128, 128, 128})));
  EXPECT_TRUE(studio.undoMenuEnabled());
  EXPECT_EQ(studio.undoCaption(), q("Отменить возврат к исходному"));
}

TEST_F(StudioTest, RevertToAVanishedFileKeepsTheWorkedPhoto) {
  const QString path = writePhoto("a.png", 6, 4, 1);
  studio.openPhoto(path);
  invertOperation(undo_caption::kEffect);
  Bitmap worked = studio.image().photo().bitmap.clone();
  QFile::remove(path);
  const OpenResult r = studio.revert();
  EXPECT_EQ(r.status, OpenResult::Status::Failed);
  EXPECT_TRUE(r.message.startsWith(q("Не удалось открыть файл: ")));
  EXPECT_TRUE(layer0Is(worked));
  EXPECT_EQ(studio.undoCaption(), q("Отменить применение эффекта"));
  studio.undo();
  EXPECT_TRUE(layer0Is(pattern(6, 4, 1)));
}

TEST_F(StudioTest, UnreadableFileKeepsEverythingAndIsNotRemembered) {
  const QString good = writePhoto("a.png", 6, 4, 1);
  studio.openPhoto(good);
  invertOperation(undo_caption::kEffect);
  addPendingLayer();
  Bitmap layer0 = studio.image().photo().bitmap.clone();
  const QString bad = dir.filePath(q("not-a-picture.jpg"));
  {
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is plain text, not a photograph");
  }
  const Enabling before = enabling();
  const OpenResult r = studio.openPhoto(bad);
  EXPECT_EQ(r.status, OpenResult::Status::Failed);
  EXPECT_FALSE(r.ok());
  EXPECT_TRUE(r.message.startsWith(q("Не удалось открыть файл: "))) << r.message.toStdString();
  EXPECT_GT(r.message.size(), q("Не удалось открыть файл: ").size());
  EXPECT_EQ(studio.image().layerCount(), 2);
  EXPECT_TRUE(layer0Is(layer0));
  EXPECT_TRUE(studio.undoImage().samePixels(pattern(6, 4, 1)));
  EXPECT_TRUE(studio.committedImage().samePixels(layer0));
  EXPECT_EQ(enabling(), before);
  EXPECT_EQ(studio.recentList(), QStringList{good});
  EXPECT_EQ(studio.openedFileName(), good);
  // A missing file is the same kind of failure.
  EXPECT_EQ(studio.openPhoto(dir.filePath(q("missing.png"))).status, OpenResult::Status::Failed);
}

TEST_F(StudioTest, TruncatedJpegOpensAndSaysPartIsMissing) {
  // Noise makes the scan data far larger than the headers, so the cut falls inside the scan.
  Bitmap noisy(128, 128);
  std::uint32_t seed = 12345;
  for (std::size_t i = 0; i < noisy.byteCount(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    noisy.data()[i] = std::uint8_t(seed >> 24);
  }
  const std::vector<std::uint8_t> jpeg = encodeJpeg(noisy, JpegOptions{});
  const QString path = dir.filePath(q("cut.jpg"));
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<qint64>(jpeg.size() / 2));
  }
  const OpenResult r = studio.openPhoto(path);
  ASSERT_EQ(r.status, OpenResult::Status::Incomplete) << r.message.toStdString();
  EXPECT_TRUE(r.ok());
  EXPECT_TRUE(r.message.contains(q("часть изображения отсутствует")));
  EXPECT_TRUE(studio.hint().contains(q("часть изображения отсутствует")));
  EXPECT_EQ(studio.image().photo().bitmap.width(), 128);
  EXPECT_EQ(studio.recentList(), QStringList{path});
  EXPECT_EQ(studio.mode(), kModeEditing);
}

TEST_F(StudioTest, PictureCommandsNeedAPictureWiderThanTwoPixels) {
  studio.openPhoto(writePhoto("narrow.png", 2, 50, 1));
  EXPECT_FALSE(studio.pictureCommandsEnabled());
  studio.openPhoto(writePhoto("three.png", 3, 1, 1));
  EXPECT_TRUE(studio.pictureCommandsEnabled());
}

TEST_F(StudioTest, ModifiedFlagFollowsChangesOpensAndSaves) {
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  EXPECT_FALSE(studio.modifiedFlag());
  invertOperation(undo_caption::kMonochrome);
  EXPECT_TRUE(studio.modifiedFlag());
  const QString out = dir.filePath(q("out.png"));
  ASSERT_TRUE(studio.saveCurrentLayer(out).ok);
  EXPECT_FALSE(studio.modifiedFlag());
  EXPECT_TRUE(readPicture(out.toStdString()).bitmap.samePixels(studio.image().photo().bitmap));
  studio.undo();
  EXPECT_TRUE(studio.modifiedFlag());
  studio.openPhoto(out);
  EXPECT_FALSE(studio.modifiedFlag());
}

TEST_F(StudioTest, ViewOutputMergesVisibleLayersWithoutTouchingTheDocument) {
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  studio.image().addLayer(Bitmap(2, 2, kWhite), 1, 1);
  const QString out = dir.filePath(q("view.png"));
  ASSERT_TRUE(studio.saveView(out).ok);
  const Bitmap shown = readPicture(out.toStdString()).bitmap;
  EXPECT_TRUE(shown.samePixels(studio.image().flattened()));
  EXPECT_NE(shown.pixel(1, 1), pattern(6, 4, 1).pixel(1, 1));
  EXPECT_EQ(shown.pixel(0, 0), pattern(6, 4, 1).pixel(0, 0));
  EXPECT_EQ(studio.image().layerCount(), 2);
  EXPECT_TRUE(layer0Is(pattern(6, 4, 1)));
}

TEST_F(StudioTest, SignalsTellTheWindowWhatToRefresh) {
  int documents = 0, histories = 0, pages = 0;
  QObject::connect(&studio, &Studio::documentChanged, [&] { ++documents; });
  QObject::connect(&studio, &Studio::historyChanged, [&] { ++histories; });
  QObject::connect(&studio, &Studio::pageChanged, [&](Page) { ++pages; });
  studio.openPhoto(writePhoto("a.png", 6, 4, 1));
  invertOperation(undo_caption::kEffect);
  studio.showEffectsPage();
  EXPECT_GE(documents, 2);
  EXPECT_GE(histories, 2);
  EXPECT_EQ(pages, 1);
}

// ---- fitting and the status bar

TEST(StudioView, FitToWindowShowsSmallPhotosAt100AndLargeOnesAtTheFitLessOnePercent) {
  struct Case { int w, h; QSize client, outer; double zoom; };
  const Case cases[] = {
      {400, 300, {400, 300}, {404, 304}, 100.0},               // exactly the client size
      {401, 300, {400, 300}, {404, 304}, 404 * 100.0 / 401 - 1},
      {1000, 500, {600, 400}, {620, 420}, 62 - 1},             // width limits: 620·100/1000
      {500, 1000, {600, 400}, {620, 420}, 42 - 1},             // height limits: 420·100/1000
      {300, 450, {600, 400}, {620, 420}, 420 * 100.0 / 450 - 1},  // fits across, not down
      // Guards: a huge photo in a tiny view never gets a zero or negative zoom; no view size, 100 %.
      {20000, 100, {100, 100}, {100, 100}, 0.25},
      {500, 500, {0, 0}, {0, 0}, 100.0},
  };
  for (const Case& c : cases) {
    Studio studio;
    studio.image().setPhoto(Bitmap(c.w, c.h));
    studio.fitToWindow(c.client, c.outer);
    EXPECT_DOUBLE_EQ(studio.zoom(), c.zoom) << c.w << "x" << c.h;
  }
}

TEST(StudioView, ZoomTextRoundsHalvesToEven) {
  struct Case { double zoom; const char* text; };
  const Case cases[] = {{62.5, "Масштаб: 62%"}, {63.5, "Масштаб: 64%"}, {99.4, "Масштаб: 99%"}, {100, "Масштаб: 100%"}};
  Studio studio;
  for (const Case& c : cases) {
    studio.setZoom(c.zoom);
    EXPECT_EQ(studio.zoomText(), q(c.text));
  }
}

TEST(StudioView, EditPreviewReferenceIs220WideAndLinear) {
  Studio studio;
  // A ramp 2·x across: a linear filter reproduces a linear ramp, so halving gives 4·i + 1 inside.
  Bitmap ramp(440, 200);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 440; ++x) ramp.setPixel(x, y, Bgr{std::uint8_t(x / 2), 50, 50});
  }
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 128; ++x) ramp.setPixel(x, y, Bgr{std::uint8_t(2 * x), 50, 50});
  }
  studio.image().setPhoto(std::move(ramp));
  studio.refreshEditPreview();
  const Bitmap& ref = studio.editPreviewReference();
  ASSERT_EQ(ref.width(), 220);
  EXPECT_EQ(ref.height(), 100);
  for (int i = 2; i < 60; ++i) EXPECT_EQ(ref.pixel(i, 50).b, 4 * i + 1) << i;
  EXPECT_EQ(ref.pixel(100, 10).g, 50);

  studio.image().setPhoto(Bitmap(301, 100, kWhite));
  studio.refreshEditPreview();
  EXPECT_EQ(studio.editPreviewReference().height(), 73);  // 100 · 220 / 301 = 73.09
  studio.image().setPhoto(Bitmap(100, 40, kWhite));      // a small photo grows to 220
  studio.refreshEditPreview();
  EXPECT_EQ(studio.editPreviewReference().width(), 220);
  EXPECT_EQ(studio.editPreviewReference().height(), 88);
  EXPECT_EQ(studio.editPreviewReference().pixel(219, 87), kWhite);
}

TEST(StudioPages, MacroWordsNameThePages) {
  const char* words[] = {"open", "edit", "effects", "montage", "decor"};
  for (int i = 0; i < kPageCount; ++i) {
    Page p = Page::Open;
    ASSERT_TRUE(pageFromWord(q(words[i]), &p));
    EXPECT_EQ(static_cast<int>(p), i);
    EXPECT_STREQ(pageWord(p), words[i]);
  }
  Page p;
  EXPECT_FALSE(pageFromWord(q("Edit"), &p));
}

}  // namespace
