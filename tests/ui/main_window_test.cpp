// The main window offscreen: its named controls, menus and shortcuts, start-up, and how it follows the
// studio model when photos are opened, fail to open, and when the history moves.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include <vector>

#include "tests/ui/ui_test_support.h"
#include "ui/image_view.h"
#include "ui/main_window.h"
#include "ui/status_panels.h"
#include "ui/thumbnail_strip.h"

namespace virmeya {
namespace {

struct Message {
  QMessageBox::Icon icon;
  QString text;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::app();
    ASSERT_TRUE(dir.isValid());
    studio.setConfigDir(dir.path());
    window = std::make_unique<MainWindow>(studio);
    window->setOpenDialog([this] {
      ++dialogCalls;
      return dialogAnswer;
    });
    window->setMessageSink([this](QMessageBox::Icon icon, const QString& text) { messages.push_back({icon, text}); });
    window->resize(835, 724);
  }

  template <class T>
  T* child(const char* name) const {
    return window->findChild<T*>(QString::fromLatin1(name));
  }
  QString photo(int w, int h, Bgr colour = rgb(200, 40, 40)) {
    return test::writeSolidPicture(dir, QStringLiteral("p%1x%2.png").arg(w).arg(h), w, h, colour);
  }

  QTemporaryDir dir;
  Studio studio;
  std::unique_ptr<MainWindow> window;
  int dialogCalls = 0;
  QString dialogAnswer;
  std::vector<Message> messages;
};

TEST_F(MainWindowTest, HasEveryNamedControlWithItsLayout) {
  EXPECT_EQ(window->objectName(), "Form1");
  EXPECT_EQ(window->windowTitle(), "Вирмея");
  for (const char* name : {"sPanel1", "sPanel2", "Panel1", "ViewPana", "MainModa"})
    EXPECT_NE(child<QWidget>(name), nullptr) << name;
  EXPECT_EQ(child<QWidget>("sPanel1")->height(), 81);
  EXPECT_EQ(child<QWidget>("sPanel2")->minimumWidth(), 337);
  EXPECT_EQ(child<QWidget>("sPanel2")->maximumWidth(), 337);
  EXPECT_EQ(child<QWidget>("ViewPana")->maximumHeight(), 40);

  auto* megaTab = child<QStackedWidget>("MegaTab");
  ASSERT_NE(megaTab, nullptr);
  EXPECT_EQ(megaTab->count(), 5);
  EXPECT_EQ(megaTab->currentIndex(), 0);
  EXPECT_NE(child<ImageView>("Imaga"), nullptr);

  auto* moda = child<QComboBox>("Moda");
  ASSERT_NE(moda, nullptr);
  EXPECT_EQ(moda->count(), 12);
  EXPECT_EQ(moda->currentText(), "Открыть фотографию");
  EXPECT_FALSE(moda->isVisibleTo(window.get()));

  auto* isc = child<QSlider>("ISC");
  ASSERT_NE(isc, nullptr);
  EXPECT_EQ(isc->minimum(), 1);
  EXPECT_EQ(isc->maximum(), 800);
  EXPECT_EQ(isc->value(), 50);

  const std::pair<const char*, const char*> buttons[] = {
      {"sSpeedButton5", "Уместить"}, {"sBitBtn6", "    100%     "}, {"UndoB", "Отменить"}, {"RedoB", "Повторить"},
      {"sButton5", "Открыть выбранный файл"}, {"EditMain", "Редактировать"}, {"EfaMain", "Эффекты"},
      {"MontaMain", "Монтаж фото"}, {"DecorMain", "Оформление"}};
  for (const auto& [name, text] : buttons) {
    auto* b = child<QAbstractButton>(name);
    ASSERT_NE(b, nullptr) << name;
    EXPECT_EQ(b->text(), QString::fromUtf8(text)) << name;
  }
  EXPECT_EQ(child<QAbstractButton>("ViewButa")->toolTip(), "Поместить наверх");
  EXPECT_EQ(child<QAbstractButton>("ViewDButa")->toolTip(), "Поместить вниз");

  auto* strip = child<ThumbnailStrip>("RecentPhoto");
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->cellSize(), QSize(90, 80));

  // The Open page's texts, the header with its two trailing spaces.
  QStringList labels;
  for (QLabel* l : window->findChildren<QLabel*>()) labels << l->text();
  for (const char* text : {"Открыть фотографию  ", "Недавние файлы:", "Режимы обработки", "Масштаб"})
    EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
  for (const char* link : {"Открыть новый файл", "Справочная система", "Посетить сайт программы"})
    EXPECT_FALSE(labels.filter(QString::fromUtf8(link)).isEmpty()) << link;

  auto* stata = child<StatusPanels>("Stata");
  ASSERT_NE(stata, nullptr);
  EXPECT_EQ(stata->panel(0)->text(), QString::fromUtf8(kStartHint));
  auto* wait = child<QProgressBar>("WAIT");
  ASSERT_NE(wait, nullptr);
  EXPECT_FALSE(wait->isVisibleTo(window.get()));
}

TEST_F(MainWindowTest, ToolbarButtonsCarryTheirHintsAndTheLatchingGroup) {
  const std::pair<const char*, const char*> hints[] = {
      {"BT1", "Открыть"}, {"BT2", "Сохранить"}, {"CatBT", "Каталог эффектов"}, {"BT3", "Просмотр"},
      {"PrintBT", "Печать"}, {"EBT", "Редактировать"}, {"FBT", "Эффекты"}, {"MBT", "Монтаж"},
      {"DBT", "Оформление"}, {"HelpBT", "Справка"}};
  std::vector<int> xs;
  for (const auto& [name, hint] : hints) {
    auto* b = child<QToolButton>(name);
    ASSERT_NE(b, nullptr) << name;
    EXPECT_EQ(b->toolTip(), QString::fromUtf8(hint));
    EXPECT_EQ(b->size(), QSize(65, 65)) << name;
  }
  window->show();
  QApplication::processEvents();
  for (const auto& [name, hint] : hints) xs.push_back(child<QToolButton>(name)->x());
  EXPECT_TRUE(std::is_sorted(xs.begin(), xs.end())) << "buttons left to right in the listed order";

  auto* bt1 = child<QToolButton>("BT1");
  auto* ebt = child<QToolButton>("EBT");
  auto* dbt = child<QToolButton>("DBT");
  EXPECT_TRUE(bt1->isChecked());
  ebt->click();
  EXPECT_TRUE(ebt->isChecked());
  EXPECT_FALSE(bt1->isChecked());
  EXPECT_EQ(child<QStackedWidget>("MegaTab")->currentIndex(), 1);
  ebt->click();  // pressing the pressed button keeps it pressed
  EXPECT_TRUE(ebt->isChecked());
  dbt->click();
  EXPECT_TRUE(dbt->isChecked());
  EXPECT_FALSE(ebt->isChecked());
  EXPECT_EQ(child<QStackedWidget>("MegaTab")->currentIndex(), 4);

  // "Открыть" on another page only shows the Open page; on the Open page it runs the open dialog.
  bt1->click();
  EXPECT_EQ(child<QStackedWidget>("MegaTab")->currentIndex(), 0);
  EXPECT_EQ(dialogCalls, 0);
  bt1->click();
  EXPECT_EQ(dialogCalls, 1);
  EXPECT_TRUE(bt1->isChecked());
}

struct MenuCase {
  const char* menu;
  const char* name;
  const char* text;
  const char* shortcut;
};

TEST_F(MainWindowTest, MenusHoldEveryItemWithItsShortcut) {
  QStringList titles;
  for (QAction* a : window->menuBar()->actions()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{"Файл", "Правка", "Изображение", "Эффекты", "Оформление", "Вид", "Справка"}));

  const MenuCase cases[] = {
      {"FileMenu", "N7", "Открыть", "Ctrl+O"}, {"FileMenu", "N10", "Сохранить фото", "Ctrl+S"},
      {"FileMenu", "JPEG1", "JPEG - оптимизация", ""}, {"FileMenu", "N14", "Печать изображения", "Ctrl+P"},
      {"QuickExport", "BMP1", "BMP", ""}, {"QuickExport", "JPEG2", "JPEG", ""}, {"QuickExport", "PNG1", "PNG", ""},
      {"QuickExport", "GIF1", "GIF", ""}, {"QuickExport", "IFF1", "TIFF", ""}, {"FileMenu", "N16", "Выход", "F10"},
      {"EditMenu", "UndoM", "Отменить", "Ctrl+Z"}, {"EditMenu", "RedoM", "Повторить", "Ctrl+Y"},
      {"EditMenu", "N6", "Вернуться к исходному", ""}, {"EditMenu", "N21", "Копировать", "Ctrl+C"},
      {"FlipMenu", "N39", "Зеркально", ""}, {"FlipMenu", "N41", "Вертикально", ""},
      {"ImageMenu", "N37", "Изменить размер", ""}, {"ImageMenu", "N20", "Автоматическое улучшение", ""},
      {"ImageMenu", "N29", "Сделать монохромным", ""}, {"ImageMenu", "N34", "Повысить резкость", ""},
      {"ImageMenu", "N40", "Добавить тень", ""}, {"EffectsMenu", "BasaM", "Базовые", ""},
      {"EffectsMenu", "ColorM", "Цветовые", ""}, {"EffectsMenu", "SvetoM", "Световые", ""},
      {"EffectsMenu", "GeomM", "Геометрические", ""}, {"EffectsMenu", "StyleM", "Стилизация", ""},
      {"EffectsMenu", "CompM", "Составные", ""}, {"EffectsMenu", "NaturM", "Природные", ""},
      {"EffectsMenu", "CatEfM", "Каталог эффектов", ""}, {"DecorMenu", "N59", "Рамки", ""},
      {"DecorMenu", "N60", "Маски", ""}, {"DecorMenu", "N61", "Границы", ""}, {"DecorMenu", "N63", "Украшения", ""},
      {"DecorMenu", "N64", "Надписи", ""}, {"ViewMenu", "N1001", "Масштаб 100%", "Ctrl+A"},
      {"ViewMenu", "N42", "Уместить в окне", "Ctrl+F"}, {"ViewMenu", "FullScreenM", "Полноэкранный просмотр", ""},
      {"ViewMenu", "N17", "Фон редактора", ""}, {"SkinsMenu", "N32", "Включить", ""},
      {"SkinsMenu", "N33", "Отключить", ""}, {"PanelSideMenu", "N26", "Справа", ""},
      {"PanelSideMenu", "N27", "Слева", ""}, {"HelpMenu", "N9", "Справка", "F1"},
      {"HelpMenu", "Online1", "On-line учебник", ""}, {"HelpMenu", "N11", "Примеры эффектов", ""},
      {"HelpMenu", "N68", "Техническая поддержка", ""}, {"HelpMenu", "N38", "Официальный сайт", ""},
      {"HelpMenu", "N45", "О программе", ""}};
  for (const MenuCase& c : cases) {
    auto* menu = window->menuBar()->findChild<QMenu*>(c.menu);
    ASSERT_NE(menu, nullptr) << c.menu;
    QAction* item = nullptr;
    for (QAction* a : menu->actions())
      if (a->objectName() == c.name) item = a;
    ASSERT_NE(item, nullptr) << c.name << " in " << c.menu;
    EXPECT_EQ(item->text(), QString::fromUtf8(c.text)) << c.name;
    EXPECT_EQ(item->shortcut(), QKeySequence(QString::fromLatin1(c.shortcut))) << c.name;
  }
  // Separators where the menus have them.
  auto separators = [&](const char* menu) {
    int n = 0;
    for (QAction* a : window->menuBar()->findChild<QMenu*>(menu)->actions()) n += a->isSeparator();
    return n;
  };
  EXPECT_EQ(separators("FileMenu"), 2);
  EXPECT_EQ(separators("EditMenu"), 1);
  EXPECT_EQ(separators("ImageMenu"), 1);
  EXPECT_EQ(separators("EffectsMenu"), 2);
  EXPECT_EQ(separators("DecorMenu"), 1);
  EXPECT_EQ(separators("ViewMenu"), 1);
  EXPECT_EQ(separators("HelpMenu"), 1);
}

TEST_F(MainWindowTest, MenuEnablingFollowsThePhoto) {
  auto enabled = [&](const char* name) { return window->command(name)->isEnabled(); };
  auto flipMenu = window->menuBar()->findChild<QMenu*>("FlipMenu");
  // Before any photo: the view holds the 1 × 1 blank.
  EXPECT_FALSE(enabled("N1001"));
  EXPECT_FALSE(enabled("N42"));
  EXPECT_FALSE(flipMenu->menuAction()->isEnabled());
  EXPECT_FALSE(enabled("UndoM"));
  EXPECT_FALSE(enabled("RedoM"));
  EXPECT_TRUE(enabled("N6"));  // "Вернуться к исходному" is always enabled
  EXPECT_TRUE(enabled("N7"));
  EXPECT_TRUE(enabled("N17"));  // the other entries of "Вид" do not follow the photo

  // A picture 2 pixels wide is not enough; 3 is.
  window->openPhoto(photo(2, 5));
  EXPECT_FALSE(enabled("N1001"));
  EXPECT_FALSE(flipMenu->menuAction()->isEnabled());
  window->openPhoto(photo(3, 5));
  EXPECT_TRUE(enabled("N1001"));
  EXPECT_TRUE(enabled("N42"));
  EXPECT_TRUE(flipMenu->menuAction()->isEnabled());
  // Items whose tools come later stay disabled even with a photo, until their handler is bound.
  EXPECT_FALSE(enabled("N39"));
  int mirrored = 0;
  window->bindCommand("N39", [&] { ++mirrored; });
  EXPECT_TRUE(enabled("N39"));
  window->command("N39")->trigger();
  EXPECT_EQ(mirrored, 1);
  // Back to the blank-sized rule with a picture 2 pixels wide.
  window->openPhoto(photo(2, 2));
  EXPECT_FALSE(enabled("N39"));
  EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, OpeningShowsThePhotoPanelsAndStatusTexts) {
  window->show();
  QApplication::processEvents();
  EXPECT_FALSE(child<QWidget>("ViewPana")->isVisible());
  EXPECT_FALSE(child<QWidget>("MainModa")->isVisible());
  dialogAnswer = photo(40, 30);
  window->command("N7")->trigger();
  EXPECT_EQ(dialogCalls, 1);
  EXPECT_TRUE(child<QWidget>("ViewPana")->isVisible());
  EXPECT_TRUE(child<QWidget>("MainModa")->isVisible());
  auto* stata = child<StatusPanels>("Stata");
  EXPECT_EQ(stata->panel(0)->text(), QString::fromUtf8(kOpenedHint));
  EXPECT_EQ(stata->panel(1)->text(), "40 x 30");
  EXPECT_EQ(stata->panel(2)->text(), "Масштаб: 100%");  // smaller than the view: 100 %
  EXPECT_EQ(child<QSlider>("ISC")->value(), 100);
  EXPECT_EQ(child<ImageView>("Imaga")->zoom(), 100.0);
  EXPECT_EQ(child<QComboBox>("Moda")->currentText(), "Редактирование");
  EXPECT_EQ(studio.recentList(), QStringList{dialogAnswer});

  // The slider sets the zoom; the panel and the view follow.
  child<QSlider>("ISC")->setValue(250);
  EXPECT_DOUBLE_EQ(studio.zoom(), 250.0);
  EXPECT_DOUBLE_EQ(child<ImageView>("Imaga")->zoom(), 250.0);
  EXPECT_EQ(stata->panel(2)->text(), "Масштаб: 250%");
  child<QPushButton>("sBitBtn6")->click();
  EXPECT_DOUBLE_EQ(studio.zoom(), 100.0);

  // A cancelled dialog changes nothing.
  dialogAnswer.clear();
  window->command("N7")->trigger();
  EXPECT_EQ(studio.image().photo().bitmap.width(), 40);
}

TEST_F(MainWindowTest, ABigPhotoIsFittedToTheViewAsShown) {
  window->show();
  QApplication::processEvents();
  window->openPhoto(photo(3000, 200));
  auto* view = child<ImageView>("Imaga");
  // Fitted on the view as it is after the view panel appeared: the whole width shows.
  EXPECT_LT(view->zoom(), 100.0);
  EXPECT_LE(3000 * view->zoom() / 100.0, view->viewport()->width());
  EXPECT_EQ(view->zoom(), studio.zoom());
  child<QPushButton>("sBitBtn6")->click();
  EXPECT_DOUBLE_EQ(view->zoom(), 100.0);
  child<QPushButton>("sSpeedButton5")->click();
  EXPECT_LT(view->zoom(), 100.0);
}

TEST_F(MainWindowTest, UnreadablePhotoIsReportedAndChangesNothing) {
  window->openPhoto(photo(30, 20));
  const QString bad = dir.filePath("not-a-picture.jpg");
  {
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is text, not a picture");
  }
  window->openPhoto(bad);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
  EXPECT_TRUE(messages[0].text.startsWith("Не удалось открыть файл")) << messages[0].text.toStdString();
  EXPECT_GT(messages[0].text.size(), QString("Не удалось открыть файл").size()) << "the reason follows";
  EXPECT_EQ(studio.image().photo().bitmap.width(), 30);
  EXPECT_EQ(studio.recentList().size(), 1);
  EXPECT_FALSE(studio.recentList().contains(bad));
}

TEST_F(MainWindowTest, TruncatedPhotoOpensWithOneNotice) {
  // Busy content, so that the scan data and not the headers make up most of the file.
  Bitmap gradient(160, 120);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x)
      gradient.setPixel(x, y, rgb(ClampByte((x * 37 + y * 11) % 256), ClampByte((x * y) % 256), ClampByte(x ^ y)));
  const std::vector<std::uint8_t> jpeg = encodeJpeg(gradient, {});
  const QString cut = dir.filePath("cut.jpg");
  {
    QFile f(cut);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<qint64>(jpeg.size() * 2 / 3));
  }
  window->openPhoto(cut);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, QMessageBox::Information) << messages[0].text.toStdString();
  EXPECT_EQ(studio.image().photo().bitmap.width(), 160);
  EXPECT_TRUE(studio.photoPanelsShown());
  // The hint line keeps saying so; switching pages raises no second message.
  EXPECT_EQ(child<StatusPanels>("Stata")->panel(0)->text(), studio.hint());
  child<QToolButton>("EBT")->click();
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(MainWindowTest, HistoryControlsFollowTheModel) {
  window->openPhoto(photo(10, 10));
  auto* undoB = child<QPushButton>("UndoB");
  auto* redoB = child<QPushButton>("RedoB");
  QAction* undoM = window->command("UndoM");
  QAction* redoM = window->command("RedoM");
  EXPECT_FALSE(undoB->isEnabled());
  EXPECT_FALSE(undoM->isEnabled());
  studio.runUndoable(QString::fromUtf8(undo_caption::kMirror), [](LayeredImage& image) {
    fill(image.photo().bitmap, rgb(0, 0, 255));
  });
  EXPECT_TRUE(undoB->isEnabled());
  EXPECT_TRUE(undoM->isEnabled());
  EXPECT_EQ(undoM->text(), "Отменить зеркальное отражение");
  EXPECT_FALSE(redoB->isEnabled());
  undoB->click();
  EXPECT_FALSE(undoB->isEnabled());
  EXPECT_TRUE(redoB->isEnabled());
  EXPECT_TRUE(redoM->isEnabled());
  EXPECT_EQ(redoM->text(), "Повторить зеркальное отражение");
  EXPECT_EQ(studio.image().photo().bitmap.pixel(0, 0), rgb(200, 40, 40));
  redoM->trigger();
  EXPECT_EQ(undoM->text(), "Отменить зеркальное отражение");
  EXPECT_EQ(studio.image().photo().bitmap.pixel(0, 0), rgb(0, 0, 255));
  // The undo shortcut is the menu item's.
  EXPECT_EQ(undoM->shortcut(), QKeySequence("Ctrl+Z"));
}

TEST_F(MainWindowTest, RecentStripOpensTheSelectedPhoto) {
  const QString a = photo(20, 10, rgb(10, 200, 10));
  const QString b = photo(30, 10, rgb(10, 10, 200));
  studio.setRecentList({a, dir.filePath("gone.jpg"), b});
  window->show();
  studio.showOpenPage();
  auto* strip = child<ThumbnailStrip>("RecentPhoto");
  auto* openSelected = child<QPushButton>("sButton5");
  ASSERT_EQ(strip->count(), 3);
  EXPECT_TRUE(openSelected->isEnabled());
  // Without a selection the button leaves the current photo alone.
  openSelected->click();
  EXPECT_FALSE(studio.photoPanelsShown());
  ASSERT_TRUE(QTest::qWaitFor([&] { return strip->pendingCount() == 0; }));
  EXPECT_TRUE(strip->isUnreadable(1));
  QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, strip->cellRect(2).center());
  EXPECT_EQ(studio.recentSelection(), 2);
  openSelected->click();
  EXPECT_EQ(studio.image().photo().bitmap.width(), 30);
  EXPECT_EQ(studio.openedFileName(), b);
  // A double click opens the thumbnail it lands on.
  QTest::mouseDClick(strip->viewport(), Qt::LeftButton, {}, strip->cellRect(0).center());
  EXPECT_EQ(studio.image().photo().bitmap.width(), 20);
}

TEST_F(MainWindowTest, EmptyRecentListDisablesOpenSelected) {
  studio.showOpenPage();
  EXPECT_EQ(child<ThumbnailStrip>("RecentPhoto")->count(), 0);
  EXPECT_FALSE(child<QPushButton>("sButton5")->isEnabled());
}

TEST_F(MainWindowTest, StartsOnceCompleteAfterTheDeferredStep) {
  const QString p = photo(50, 40);
  int hookRuns = 0;
  bool visibleDuringHook = true;
  window->addStartupHook([&] {
    ++hookRuns;
    visibleDuringHook = window->isVisible();
  });
  window->start(p);
  EXPECT_FALSE(window->isVisible()) << "nothing shows before the deferred step";
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->started(); }, 5000));
  EXPECT_EQ(hookRuns, 1);
  EXPECT_FALSE(visibleDuringHook);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(studio.image().photo().bitmap.width(), 50);  // the photo named on the command line
  EXPECT_EQ(studio.page(), Page::Open);
}

TEST_F(MainWindowTest, PanelsMoveBetweenEdges) {
  window->show();
  window->openPhoto(photo(10, 10));
  QApplication::processEvents();
  auto* viewPana = child<QWidget>("ViewPana");
  auto* imaga = child<QWidget>("Imaga");
  auto* up = child<QToolButton>("ViewButa");
  auto* down = child<QToolButton>("ViewDButa");
  EXPECT_TRUE(up->isVisible());
  EXPECT_FALSE(down->isVisible());
  up->click();
  QApplication::processEvents();
  EXPECT_LT(viewPana->y(), imaga->y());
  EXPECT_FALSE(up->isVisible());
  EXPECT_TRUE(down->isVisible());
  down->click();
  QApplication::processEvents();
  EXPECT_GT(viewPana->y(), imaga->y());
  EXPECT_TRUE(up->isVisible());
  EXPECT_FALSE(down->isVisible());

  auto* side = child<QWidget>("sPanel2");
  EXPECT_GT(side->x(), imaga->x());
  window->command("N27")->trigger();
  QApplication::processEvents();
  EXPECT_LT(side->x(), child<QWidget>("Panel1")->x());
  EXPECT_TRUE(window->command("N27")->isChecked());
  window->command("N26")->trigger();
  QApplication::processEvents();
  EXPECT_GT(side->x(), child<QWidget>("Panel1")->x());
}

TEST_F(MainWindowTest, ProgressCoversTheStatusBarUntilDone) {
  window->show();
  auto* wait = child<QProgressBar>("WAIT");
  window->setProgress(40);
  EXPECT_TRUE(wait->isVisible());
  EXPECT_EQ(wait->value(), 40);
  EXPECT_EQ(wait->geometry(), child<QWidget>("Stata")->rect());
  window->setProgress(100);
  EXPECT_FALSE(wait->isVisible());
  EXPECT_EQ(wait->value(), 0);
}

}  // namespace
}  // namespace virmeya
