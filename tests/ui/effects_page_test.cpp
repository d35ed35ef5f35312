// The Effects page offscreen: its named controls and ranges, the strip filled off the user-interface
// thread with the selection on the last thumbnail, panel switching, the opacity's enabling, Apply
// from the page, the settings dialog's page choice and the catalogue's layout.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "tests/ui/ui_test_support.h"
#include "ui/effect_catalogue_dialog.h"
#include "ui/effects_page.h"
#include "ui/filter_setup_dialog.h"
#include "ui/main_window.h"
#include "ui/thumbnail_strip.h"

namespace virmeya {
namespace {

class EffectsPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::app();
    ASSERT_TRUE(dir.isValid());
    studio.setConfigDir(dir.path());
    studio.setContentRoot(dir.filePath(QStringLiteral("content")));
    window = std::make_unique<MainWindow>(studio);
    window->setMessageSink([](QMessageBox::Icon, const QString&) {});
    window->resize(1000, 724);
    page = window->findChild<EffectsPage*>(QStringLiteral("EffectsPage"));
    ASSERT_NE(page, nullptr);
    page->setMessageSink([this](const QString& m) { messages.append(m); });
  }
  template <class T>
  T* child(const char* name) const {
    return window->findChild<T*>(QString::fromLatin1(name));
  }
  // Opens a photo and enters the Effects page; waits for the colour strip.
  void openOnEffects() {
    Bitmap photo(300, 200);
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 300; ++x) photo.setPixel(x, y, rgb(std::uint8_t(x), std::uint8_t(y), std::uint8_t(x + y)));
    const QString path = dir.filePath(QStringLiteral("photo.png"));
    writePicture(photo, path.toStdString());
    ASSERT_TRUE(studio.openPhoto(path).ok());
    QSignalSpy filled(page, &EffectsPage::stripFilled);
    studio.showEffectsPage();
    ASSERT_TRUE(filled.wait(10000));
  }

  QTemporaryDir dir;
  Studio studio;
  std::unique_ptr<MainWindow> window;
  EffectsPage* page = nullptr;
  QStringList messages;
};

TEST_F(EffectsPageTest, EveryNamedControlWithItsRangeAndStart) {
  auto* area = child<QComboBox>("AreaBox");
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(area->count(), 7);
  EXPECT_EQ(area->itemText(6), QStringLiteral("Границы с контуром"));
  EXPECT_EQ(area->currentIndex(), 0);
  auto* opasBar = child<QSlider>("OpasBar");
  ASSERT_NE(opasBar, nullptr);
  EXPECT_EQ(opasBar->maximum(), 255);
  EXPECT_FALSE(opasBar->isEnabled());
  EXPECT_FALSE(child<QCheckBox>("OpasCheck")->isChecked());
  EXPECT_NE(child<QWidget>("MegaTabs"), nullptr);
  EXPECT_EQ(child<QPushButton>("OkFilter")->text(), QStringLiteral("OK"));
  EXPECT_EQ(child<QPushButton>("ButSetup")->text(), QStringLiteral("Настройка"));
  for (const EffectCategory& c : effectCategories()) {
    auto* selector = window->findChild<QComboBox*>(QString::fromUtf8(c.selectorName.data(), c.selectorName.size()));
    ASSERT_NE(selector, nullptr);
    EXPECT_EQ(selector->count(), static_cast<int>(c.items.size()));
    auto* strip = window->findChild<ThumbnailStrip*>(QString::fromUtf8(c.stripName.data(), c.stripName.size()));
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->cellSize(), QSize(127, 100));
    EXPECT_EQ(strip->spacing(), QSize(12, 3));
  }
  for (const char* panel : {"BlurPana", "NoisePana", "MosPanel", "CubPanel", "PenPan", "FirePan", "ComixPanel", "GlowSPanel"})
    EXPECT_NE(child<QWidget>(panel), nullptr) << panel;
  EXPECT_EQ(child<QSlider>("NoiseLev")->maximum(), 225);
  EXPECT_EQ(child<QSlider>("NoiseLev")->value(), 45);
  EXPECT_EQ(child<QSlider>("CubPos")->value(), 200);
  EXPECT_EQ(child<QSlider>("SGlowCont")->minimum(), -200);
  EXPECT_TRUE(child<QCheckBox>("DeFoc")->isChecked());
  EXPECT_FALSE(child<QPushButton>("LoadPText")->isEnabled());
}

TEST_F(EffectsPageTest, StripFillsOffTheThreadAndSelectsTheLast) {
  openOnEffects();
  auto* strip = child<ThumbnailStrip>("ColorPR");
  EXPECT_EQ(strip->count(), 14);
  EXPECT_EQ(strip->selectedIndex(), 13);
  EXPECT_EQ(page->pendingThumbnails(), 0);
  EXPECT_FALSE(child<QPushButton>("ButSetup")->isEnabled());
  // Every thumbnail of the effect strips has a thin black frame; the recent-files strip has none.
  EXPECT_TRUE(strip->thumbnailFrame());
  EXPECT_FALSE(child<ThumbnailStrip>("RecentPhoto")->thumbnailFrame());
  strip->verticalScrollBar()->setValue(0);  // the selection scrolled to the last row
  const QImage shot = strip->viewport()->grab().toImage();
  const QImage first = strip->thumbnail(0);
  ASSERT_FALSE(first.isNull());
  const QRect cell = strip->cellRect(0);
  const QPoint topLeft(cell.left() + (cell.width() - first.width()) / 2, cell.top() + (cell.height() - first.height()) / 2);
  EXPECT_EQ(shot.pixel(topLeft.x() - 1, topLeft.y() + first.height() / 2), qRgb(0, 0, 0));
  EXPECT_EQ(shot.pixel(topLeft.x() + first.width() / 2, topLeft.y() - 1), qRgb(0, 0, 0));
  EXPECT_EQ(shot.pixel(topLeft.x() - 2, topLeft.y() + first.height() / 2), qRgb(255, 255, 255));
  // OK applies the last variant; one history step.
  QTest::mouseClick(child<QPushButton>("OkFilter"), Qt::LeftButton);
  EXPECT_EQ(studio.undoCaption(), QStringLiteral("Отменить применение эффекта"));
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(EffectsPageTest, PanelsReplaceTheStripAndTheOpacityFollowsTheArea) {
  openOnEffects();
  page->tool().selectCategory(3);
  auto* basa = child<QComboBox>("BasaModa");
  basa->setCurrentIndex(3);  // "Эффект размытия"
  EXPECT_TRUE(child<QWidget>("BlurPana")->isVisibleTo(window.get()));
  EXPECT_FALSE(child<QWidget>("BasaPR")->isVisibleTo(window.get()));
  basa->setCurrentIndex(4);
  EXPECT_TRUE(child<QWidget>("NoisePana")->isVisibleTo(window.get()));
  EXPECT_FALSE(child<QWidget>("BlurPana")->isVisibleTo(window.get()));
  QSignalSpy filled(page, &EffectsPage::stripFilled);
  basa->setCurrentIndex(0);
  EXPECT_TRUE(child<QWidget>("BasaPR")->isVisibleTo(window.get()));
  ASSERT_TRUE(filled.wait(10000));
  EXPECT_EQ(child<ThumbnailStrip>("BasaPR")->count(), 12);

  child<QCheckBox>("OpasCheck")->click();
  EXPECT_TRUE(child<QSlider>("OpasBar")->isEnabled());
  child<QComboBox>("AreaBox")->setCurrentIndex(3);
  EXPECT_FALSE(child<QCheckBox>("OpasCheck")->isEnabled());
  EXPECT_FALSE(child<QSlider>("OpasBar")->isEnabled());
}

TEST_F(EffectsPageTest, SetupDialogShowsThePageOfTheEffect) {
  openOnEffects();
  child<QComboBox>("ColorModa")->setCurrentIndex(2);  // "Градиенты"
  EXPECT_TRUE(child<QPushButton>("ButSetup")->isEnabled());
  FilterSetupDialog* dialog = page->setupDialog();
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Настройки эффекта"));
  dialog->showPage(page->tool().setupPage());
  EXPECT_EQ(dialog->currentPage(), 3);
  EXPECT_TRUE(dialog->findChild<QTabWidget*>()->tabBar()->isHidden());
  auto* nat = qobject_cast<QCheckBox*>(dialog->control(QStringLiteral("GradientNat")));
  ASSERT_NE(nat, nullptr);
  nat->setChecked(true);
  EXPECT_TRUE(page->tool().setup().gradientNat);  // the controls change the values directly
  EXPECT_EQ(qobject_cast<QSlider*>(dialog->control(QStringLiteral("SvetBrid")))->value(), 30);
}

TEST_F(EffectsPageTest, CatalogueLayout) {
  EffectCatalogueDialog* catalogue = page->catalogueDialog();
  EXPECT_EQ(catalogue->windowTitle(), QStringLiteral("Каталог эффектов"));
  EXPECT_EQ(catalogue->size(), QSize(760, 408));
  for (int i = 0; i < 8; ++i) {
    ASSERT_NE(catalogue->button(i), nullptr);
    EXPECT_EQ(catalogue->button(i)->size(), QSize(177, 153));
  }
  EXPECT_EQ(catalogue->button(2)->text(), QStringLiteral("Базовые"));
  EXPECT_EQ(catalogue->button(7)->text(), QStringLiteral("Монтаж"));
}

}  // namespace
}  // namespace virmeya
