// The Effects page's model: Apply with its history step, the CommittedImage rule of the selectors,
// missing content, the settings dialog, the ways into the page, and the macro commands.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <sstream>

#include "algorithms/colour_effects.h"
#include "imaging/codecs/codecs.h"
#include "workspace/effects_tool.h"
#include "workspace/macro.h"
#include "workspace/studio.h"

using namespace virmeya;

namespace {

Bitmap pattern(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setPixel(x, y, rgb(std::uint8_t(x * 9 + y), std::uint8_t(y * 7), std::uint8_t(200 - x)));
  return b;
}

Bitmap effectOf(const Bitmap& photo, void (*effect)(Bitmap&)) {
  Bitmap b = photo.clone();
  effect(b);
  return b;
}
void solarize20(Bitmap& b) { SolarizeEffect(b, 20, false); }
void greyOut(Bitmap& b) { SaturationVariant(b, 0); }

class EffectsToolTest : public ::testing::Test {
 protected:
  EffectsToolTest() : tool(EffectsTool::of(studio)) {
    studio.setContentRoot(dir.filePath(QStringLiteral("content")));
    const QString path = dir.filePath(QStringLiteral("photo.png"));
    writePicture(photo, std::filesystem::path(path.toStdString()));
    EXPECT_TRUE(studio.openPhoto(path).ok());
    studio.showEffectsPage();
    tool.selectCategory(0);
    tool.selectEffect(4);  // "Соляризация"
  }
  const Bitmap& layer0() const { return studio.image().photo().bitmap; }
  void run(const char* line) {
    std::ostringstream out, err;
    MacroInterpreter(studio, out, err).runLine(QString::fromUtf8(line));
  }

  QTemporaryDir dir;
  Bitmap photo = pattern(40, 30);
  Studio studio;
  EffectsTool& tool;
};

TEST_F(EffectsToolTest, ApplyRecordsOneStepAndLeavesCommittedAlone) {
  tool.selectThumbnail(0);
  ASSERT_TRUE(tool.apply());
  EXPECT_TRUE(layer0().samePixels(effectOf(photo, solarize20)));
  EXPECT_TRUE(studio.committedImage().samePixels(photo));
  EXPECT_EQ(studio.undoCaption(), QStringLiteral("Отменить применение эффекта"));
  EXPECT_TRUE(studio.undoMenuEnabled());
  EXPECT_TRUE(studio.modifiedFlag());
  tool.cancel();  // "Отмена" is Undo
  EXPECT_TRUE(layer0().samePixels(photo));
}

TEST_F(EffectsToolTest, TwoAppliesReplaceAndUndoReturnsBeforeBoth) {
  tool.selectThumbnail(5);
  ASSERT_TRUE(tool.apply());
  tool.selectThumbnail(0);
  ASSERT_TRUE(tool.apply());
  EXPECT_TRUE(layer0().samePixels(effectOf(photo, solarize20)));
  ASSERT_TRUE(studio.undo());
  EXPECT_TRUE(layer0().samePixels(photo));
}

TEST_F(EffectsToolTest, ChangingTheEffectAcceptsTheShownResult) {
  tool.selectThumbnail(0);
  ASSERT_TRUE(tool.apply());
  tool.selectEffect(3);  // "Насыщенность": CommittedImage := layer 0
  const Bitmap first = effectOf(photo, solarize20);
  EXPECT_TRUE(studio.committedImage().samePixels(first));
  tool.selectThumbnail(0);
  ASSERT_TRUE(tool.apply());
  EXPECT_TRUE(layer0().samePixels(effectOf(first, greyOut)));
  ASSERT_TRUE(studio.undo());  // removes only the second
  EXPECT_TRUE(layer0().samePixels(first));
}

TEST_F(EffectsToolTest, AfterFillingTheLastThumbnailIsSelected) {
  std::vector<std::pair<int, int>> strips;
  QObject::connect(&tool, &EffectsTool::stripRequested, [&](int c, int i) { strips.emplace_back(c, i); });
  tool.selectEffect(1);
  ASSERT_EQ(strips.size(), 1u);
  EXPECT_EQ(strips[0], std::make_pair(0, 1));
  EXPECT_EQ(tool.stripSelection(0), 13);
}

TEST_F(EffectsToolTest, AMissingMaskChangesNothingAndRecordsNoStep) {
  QStringList failures;
  QObject::connect(&tool, &EffectsTool::applyFailed, [&](const QString& m) { failures.append(m); });
  tool.setAreaBox(1);
  const ApplyOutcome outcome = tool.apply();
  EXPECT_FALSE(outcome);
  ASSERT_EQ(failures.size(), 1);
  EXPECT_TRUE(failures.at(0).contains(QStringLiteral("Down.jpg")));
  EXPECT_FALSE(studio.undoMenuEnabled());
  EXPECT_TRUE(layer0().samePixels(photo));
}

TEST_F(EffectsToolTest, AreasDisableTheOpacity) {
  tool.setOpasCheck(true);
  EXPECT_TRUE(tool.panel().opasBarEnabled());
  tool.setAreaBox(5);
  EXPECT_FALSE(tool.panel().opasCheckEnabled());
  EXPECT_FALSE(tool.panel().opasBarEnabled());
}

TEST_F(EffectsToolTest, SetupButtonAndPages) {
  EXPECT_FALSE(tool.setupEnabled());
  tool.selectEffect(2);  // "Градиенты"
  EXPECT_TRUE(tool.setupEnabled());
  EXPECT_EQ(tool.setupPage(), 3);
  tool.selectCategory(1);
  tool.selectEffect(2);
  EXPECT_EQ(tool.setupPage(), 0);  // "Особое освещение" shares the "Lights" page
  tool.selectCategory(6);
  tool.selectEffect(3);
  EXPECT_FALSE(tool.setupEnabled());  // "Ночной эффект"
}

TEST_F(EffectsToolTest, SettingsCancelledKeepTheirValueWithoutApplying) {
  tool.selectCategory(1);
  tool.selectEffect(1);
  ASSERT_TRUE(tool.setControl(QStringLiteral("SvetBrid"), 77));
  EXPECT_TRUE(tool.setupClosed(false));
  EXPECT_FALSE(studio.undoMenuEnabled());
  EXPECT_EQ(tool.setup().svetBrid, 77);
  EXPECT_FALSE(tool.setControl(QStringLiteral("SvetBrid"), 101));
  EXPECT_FALSE(tool.setControl(QStringLiteral("NoSuch"), 1));
}

TEST_F(EffectsToolTest, MenuEntriesAndTheCatalogueOpenTheirTab) {
  studio.showEditPage();
  tool.openCategory(3);  // "Базовые"
  EXPECT_EQ(studio.page(), Page::Effects);
  EXPECT_EQ(tool.category(), 3);
  run("catalogue Монтаж");
  EXPECT_EQ(studio.page(), Page::Montage);
  EXPECT_EQ(tool.category(), 3);  // the Effects page is not touched
  run("catalogue Cветовые");
  EXPECT_EQ(studio.page(), Page::Effects);
  EXPECT_EQ(tool.category(), 1);
}

TEST_F(EffectsToolTest, NoPhotoNoStrips) {
  Studio empty;
  EffectsTool& t = EffectsTool::of(empty);
  int strips = 0;
  QObject::connect(&t, &EffectsTool::stripRequested, [&](int, int) { ++strips; });
  t.selectCategory(3);
  EXPECT_EQ(strips, 0);
  EXPECT_EQ(t.category(), 3);
}

TEST_F(EffectsToolTest, Macros) {
  run("effect category=0 item=4 variant=0");
  EXPECT_TRUE(layer0().samePixels(effectOf(photo, solarize20)));
  run("set AreaBox=5 OpasCheck=1 SvetBrid=40");
  EXPECT_EQ(tool.panel().areaBox, 5);
  EXPECT_TRUE(tool.panel().opasCheck);
  EXPECT_EQ(tool.setup().svetBrid, 40);
  EXPECT_THROW(run("set SvetBrid=0"), MacroError);
  EXPECT_THROW(run("set Nothing=1"), MacroError);
  EXPECT_THROW(run("setup page-ok"), MacroError);  // no settings page for "Соляризация"
  EXPECT_THROW(run("effect category=2 item=0"), MacroError);  // not built yet
  EXPECT_THROW(run("effect category=0 item=0 variant=14"), MacroError);
}

}  // namespace
