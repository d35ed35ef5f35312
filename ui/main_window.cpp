// MainWindow: builds the window from its tables and keeps every control in step with the Studio.
#include "ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include "ui/decor_page.h"
#include "ui/edit_page.h"
#include "ui/effects_page.h"
#include "ui/glyphs.h"
#include "ui/image_view.h"
#include "ui/montage_page.h"
#include "ui/open_page.h"
#include "ui/save_dialogs.h"
#include "ui/status_panels.h"

namespace virmeya {

namespace {

constexpr const char* kTitle = "Вирмея";
constexpr const char* kReadyProperty = "virmeyaReady";    // the command has a handler
constexpr const char* kPictureProperty = "virmeyaPicture";  // enabled only while a photo is open

// ---- the menu bar, as data

enum class Row { Menu, Item, Check, Separator, Sub, EndSub };
enum class Rule { Always, Picture };

struct MenuRow {
  Row row;
  const char* name;
  const char* text;
  const char* shortcut = nullptr;
  Rule rule = Rule::Always;
};

// Every menu and item of the window. Items of a "Picture" menu, and the first entries of "Вид", are
// enabled only while the current picture is wider than 2 pixels.
const MenuRow kMenuRows[] = {
    {Row::Menu, "FileMenu", "Файл"},
    {Row::Item, "N7", "Открыть", "Ctrl+O"},
    {Row::Item, "N10", "Сохранить фото", "Ctrl+S"},
    {Row::Item, "JPEG1", "JPEG - оптимизация"},
    {Row::Separator, "", ""},
    {Row::Item, "N14", "Печать изображения", "Ctrl+P"},
    {Row::Sub, "QuickExport", "Быстрый экспорт"},
    {Row::Item, "BMP1", "BMP"},
    {Row::Item, "JPEG2", "JPEG"},
    {Row::Item, "PNG1", "PNG"},
    {Row::Item, "GIF1", "GIF"},
    {Row::Item, "IFF1", "TIFF"},
    {Row::EndSub, "", ""},
    {Row::Separator, "", ""},
    {Row::Item, "N16", "Выход", "F10"},

    {Row::Menu, "EditMenu", "Правка"},
    {Row::Item, "UndoM", "Отменить", "Ctrl+Z"},
    {Row::Item, "RedoM", "Повторить", "Ctrl+Y"},
    {Row::Separator, "", ""},
    {Row::Item, "N6", "Вернуться к исходному"},
    {Row::Item, "N21", "Копировать", "Ctrl+C"},

    {Row::Menu, "ImageMenu", "Изображение"},
    {Row::Sub, "FlipMenu", "Отразить", nullptr, Rule::Picture},
    {Row::Item, "N39", "Зеркально", nullptr, Rule::Picture},
    {Row::Item, "N41", "Вертикально", nullptr, Rule::Picture},
    {Row::EndSub, "", ""},
    {Row::Item, "N37", "Изменить размер", nullptr, Rule::Picture},
    {Row::Item, "N20", "Автоматическое улучшение", nullptr, Rule::Picture},
    {Row::Separator, "", ""},
    {Row::Item, "N29", "Сделать монохромным", nullptr, Rule::Picture},
    {Row::Item, "N34", "Повысить резкость", nullptr, Rule::Picture},
    {Row::Item, "N40", "Добавить тень", nullptr, Rule::Picture},

    {Row::Menu, "EffectsMenu", "Эффекты"},
    {Row::Item, "BasaM", "Базовые", nullptr, Rule::Picture},
    {Row::Item, "ColorM", "Цветовые", nullptr, Rule::Picture},
    {Row::Item, "SvetoM", "Световые", nullptr, Rule::Picture},
    {Row::Separator, "", ""},
    {Row::Item, "GeomM", "Геометрические", nullptr, Rule::Picture},
    {Row::Item, "StyleM", "Стилизация", nullptr, Rule::Picture},
    {Row::Item, "CompM", "Составные", nullptr, Rule::Picture},
    {Row::Item, "NaturM", "Природные", nullptr, Rule::Picture},
    {Row::Separator, "", ""},
    {Row::Item, "CatEfM", "Каталог эффектов", nullptr, Rule::Picture},

    {Row::Menu, "DecorMenu", "Оформление"},
    {Row::Item, "N59", "Рамки", nullptr, Rule::Picture},
    {Row::Item, "N60", "Маски", nullptr, Rule::Picture},
    {Row::Item, "N61", "Границы", nullptr, Rule::Picture},
    {Row::Separator, "", ""},
    {Row::Item, "N63", "Украшения", nullptr, Rule::Picture},
    {Row::Item, "N64", "Надписи", nullptr, Rule::Picture},

    {Row::Menu, "ViewMenu", "Вид"},
    {Row::Item, "N1001", "Масштаб 100%", "Ctrl+A", Rule::Picture},
    {Row::Item, "N42", "Уместить в окне", "Ctrl+F", Rule::Picture},
    {Row::Item, "FullScreenM", "Полноэкранный просмотр", nullptr, Rule::Picture},
    {Row::Separator, "", "", nullptr, Rule::Picture},
    {Row::Item, "N17", "Фон редактора"},
    {Row::Sub, "SkinsMenu", "Поддержка скинов"},
    {Row::Check, "N32", "Включить"},
    {Row::Check, "N33", "Отключить"},
    {Row::EndSub, "", ""},
    {Row::Sub, "SkinList", "Варианты оформления"},
    {Row::EndSub, "", ""},
    {Row::Sub, "PanelSideMenu", "Панель редактирования"},
    {Row::Check, "N26", "Справа"},
    {Row::Check, "N27", "Слева"},
    {Row::EndSub, "", ""},

    {Row::Menu, "HelpMenu", "Справка"},
    {Row::Item, "N9", "Справка", "F1"},
    {Row::Item, "Online1", "On-line учебник"},
    {Row::Item, "N11", "Примеры эффектов"},
    {Row::Separator, "", ""},
    {Row::Item, "N68", "Техническая поддержка"},
    {Row::Item, "N38", "Официальный сайт"},
    {Row::Item, "N45", "О программе"},
};

// ---- the toolbar, as data (nullptr name: a separator line)

struct ToolRow {
  const char* name;
  const char* hint;
  Glyph glyph;
  int page;  // the page a latching button shows, or -1
  const char* command;  // the menu command the button shares, or nullptr
};

const ToolRow kToolRows[] = {
    {"BT1", "Открыть", Glyph::Open, static_cast<int>(Page::Open), nullptr},
    {"BT2", "Сохранить", Glyph::Save, -1, "N10"},
    {"CatBT", "Каталог эффектов", Glyph::Catalogue, -1, "CatEfM"},
    {"BT3", "Просмотр", Glyph::View, -1, "FullScreenM"},
    {"PrintBT", "Печать", Glyph::Print, -1, "N14"},
    {nullptr, nullptr, Glyph::Help, -1, nullptr},
    {"EBT", "Редактировать", Glyph::Edit, static_cast<int>(Page::Edit), nullptr},
    {"FBT", "Эффекты", Glyph::Effects, static_cast<int>(Page::Effects), nullptr},
    {"MBT", "Монтаж", Glyph::Montage, static_cast<int>(Page::Montage), nullptr},
    {"DBT", "Оформление", Glyph::Decor, static_cast<int>(Page::Decor), nullptr},
    {nullptr, nullptr, Glyph::Help, -1, nullptr},
    {"HelpBT", "Справка", Glyph::Help, -1, "N9"},
};

// The open dialog's filter: one entry for every format we read, then every file.
const char* const kOpenFilter =
    "Все изображения (*.jpg *.jpeg *.jpe *.jfif *.png *.tif *.tiff *.gif *.bmp *.dib *.rle *.pcx *.ico *.cur "
    "*.tga *.pbm *.pgm *.ppm *.pnm *.wbmp);;All Files (*.*)";

QFrame* separatorLine(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setFixedHeight(MainWindow::kToolButtonSize - 10);
  return line;
}

}  // namespace

MainWindow::MainWindow(Studio& studio, QWidget* parent) : QMainWindow(parent), studio_(studio) {
  setObjectName("Form1");
  setWindowTitle(kTitle);
  setWindowIcon(applicationIcon());
  QApplication::setApplicationDisplayName(kTitle);

  auto* central = new QWidget(this);
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  buildToolbar(outer);

  body_ = new QHBoxLayout;
  body_->setContentsMargins(0, 0, 0, 0);
  body_->setSpacing(0);
  outer->addLayout(body_, 1);

  panel1_ = new QWidget(central);
  panel1_->setObjectName("Panel1");
  workLayout_ = new QVBoxLayout(panel1_);
  workLayout_->setContentsMargins(0, 0, 0, 0);
  workLayout_->setSpacing(0);
  imaga_ = new ImageView(panel1_);
  imaga_->setObjectName("Imaga");
  imaga_->setDocument(&studio_.image());
  workLayout_->addWidget(imaga_, 1);
  buildViewPanel();
  body_->addWidget(panel1_, 1);

  sPanel2_ = new QFrame(central);
  sPanel2_->setObjectName("sPanel2");
  sPanel2_->setFixedWidth(kSidePanelWidth);
  sPanel2_->setFrameShape(QFrame::StyledPanel);
  auto* side = new QVBoxLayout(sPanel2_);
  side->setContentsMargins(0, 0, 0, 0);
  // A stacked widget is a page control whose tabs are never shown.
  megaTab_ = new QStackedWidget(sPanel2_);
  megaTab_->setObjectName("MegaTab");
  openPage_ = new OpenPage(megaTab_);
  megaTab_->addWidget(openPage_);
  megaTab_->addWidget(new EditPage(studio_, megaTab_));
  megaTab_->addWidget(new EffectsPage(studio_, megaTab_));
  megaTab_->addWidget(new MontagePage(studio_, megaTab_));
  megaTab_->addWidget(new DecorPage(studio_, megaTab_));
  megaTab_->setCurrentIndex(static_cast<int>(Page::Open));
  side->addWidget(megaTab_);
  // The processing mode as a list that is never shown: its index follows the model's mode.
  moda_ = new QComboBox(sPanel2_);
  moda_->setObjectName("Moda");
  for (const char* name : kModeNames) moda_->addItem(QString::fromUtf8(name));
  moda_->hide();
  body_->addWidget(sPanel2_);
  setCentralWidget(central);

  stata_ = new StatusPanels(this);
  setStatusBar(stata_);

  buildMenus();
  bindCommands();
  installSavingActions(*this);  // save, quick export, JPEG optimisation, print, copy, the close question
  connectStudio();

  tima_ = new QTimer(this);
  tima_->setObjectName("Tima");
  tima_->setSingleShot(true);
  tima_->setInterval(kStartupDelayMs);
  connect(tima_, &QTimer::timeout, this, &MainWindow::deferredStartup);

  resize(835, 724);
  refresh();
}

MainWindow::~MainWindow() = default;

// ---- building

void MainWindow::buildToolbar(QVBoxLayout* outer) {
  sPanel1_ = new QFrame(this);
  sPanel1_->setObjectName("sPanel1");
  sPanel1_->setFixedHeight(kToolbarHeight);
  sPanel1_->setFrameShape(QFrame::NoFrame);
  sPanel1_->setAutoFillBackground(true);
  auto* row = new QHBoxLayout(sPanel1_);
  row->setContentsMargins(6, 8, 6, 8);
  row->setSpacing(2);
  pageButtons_ = new QButtonGroup(this);
  pageButtons_->setExclusive(true);  // one latching button always stays pressed
  for (const ToolRow& t : kToolRows) {
    if (t.name == nullptr) {
      row->addSpacing(4);
      row->addWidget(separatorLine(sPanel1_));
      row->addSpacing(4);
      continue;
    }
    auto* button = new QToolButton(sPanel1_);
    button->setObjectName(t.name);
    button->setToolTip(t.hint);
    button->setStatusTip(t.hint);
    button->setAutoRaise(true);
    button->setFixedSize(kToolButtonSize, kToolButtonSize);
    button->setIcon(glyphIcon(t.glyph));
    button->setIconSize(QSize(40, 40));
    if (t.page >= 0) {
      button->setCheckable(true);
      pageButtons_->addButton(button, t.page);
    }
    if (t.command != nullptr) button->setProperty("virmeyaCommand", t.command);
    row->addWidget(button);
  }
  row->addStretch(1);
  pageButtons_->button(static_cast<int>(Page::Open))->setChecked(true);
  connect(pageButtons_, &QButtonGroup::idClicked, this, [this](int id) {
    const Page page = static_cast<Page>(id);
    if (page == Page::Open) {
      if (studio_.pressOpenButton()) openPhotoFromDialog();
    } else {
      studio_.pressPageButton(page);
    }
    refresh();
  });
  outer->addWidget(sPanel1_);
}

void MainWindow::buildViewPanel() {
  viewPana_ = new QFrame(panel1_);
  viewPana_->setObjectName("ViewPana");
  viewPana_->setFixedHeight(kViewPanelHeight);
  // The panel never widens the window; in a narrow work area its right end is cut off.
  viewPana_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  viewPana_->setFrameShape(QFrame::StyledPanel);
  auto* row = new QHBoxLayout(viewPana_);
  row->setContentsMargins(8, 4, 4, 4);
  row->setSpacing(4);
  auto* label = new QLabel("Масштаб", viewPana_);
  label->setObjectName("ZoomLabel");
  row->addWidget(label);
  isc_ = new QSlider(Qt::Horizontal, viewPana_);
  isc_->setObjectName("ISC");
  isc_->setRange(1, 800);
  isc_->setValue(50);
  isc_->setMinimumWidth(60);
  isc_->setMaximumWidth(220);
  row->addWidget(isc_, 10);  // the slider takes the free room first
  auto* fit = new QPushButton("Уместить", viewPana_);
  fit->setObjectName("sSpeedButton5");
  row->addWidget(fit);
  auto* hundred = new QPushButton("    100%     ", viewPana_);
  hundred->setObjectName("sBitBtn6");
  row->addWidget(hundred);
  undoB_ = new QPushButton("Отменить", viewPana_);
  undoB_->setObjectName("UndoB");
  row->addWidget(undoB_);
  redoB_ = new QPushButton("Повторить", viewPana_);
  redoB_->setObjectName("RedoB");
  row->addWidget(redoB_);
  // Buttons as wide as their captions, so that the zoom slider keeps room in a narrow work area.
  for (QPushButton* b : {fit, hundred, undoB_, redoB_}) b->setFixedWidth(b->fontMetrics().horizontalAdvance(b->text()) + 20);
  row->addStretch(1);
  viewButa_ = new QToolButton(viewPana_);
  viewButa_->setObjectName("ViewButa");
  viewButa_->setArrowType(Qt::UpArrow);
  viewButa_->setToolTip("Поместить наверх");
  viewButa_->setAutoRaise(true);
  row->addWidget(viewButa_);
  viewDButa_ = new QToolButton(viewPana_);
  viewDButa_->setObjectName("ViewDButa");
  viewDButa_->setArrowType(Qt::DownArrow);
  viewDButa_->setToolTip("Поместить вниз");
  viewDButa_->setAutoRaise(true);
  viewDButa_->hide();
  row->addWidget(viewDButa_);
  workLayout_->addWidget(viewPana_);
  viewPana_->hide();

  connect(isc_, &QSlider::valueChanged, this, [this](int value) {
    // The slider shows the rounded zoom; only a real move changes the zoom.
    if (value != std::clamp(static_cast<int>(roundEven(studio_.zoom())), 1, 800)) studio_.setZoom(value);
  });
  connect(fit, &QPushButton::clicked, this, [this] {
    pushViewSize();
    studio_.fitToWindow();
  });
  connect(hundred, &QPushButton::clicked, this, [this] { studio_.zoomTo100(); });
  connect(undoB_, &QPushButton::clicked, this, [this] { studio_.undo(); });
  connect(redoB_, &QPushButton::clicked, this, [this] { studio_.redo(); });
  connect(viewButa_, &QToolButton::clicked, this, [this] { setViewPanelTop(true); });
  connect(viewDButa_, &QToolButton::clicked, this, [this] { setViewPanelTop(false); });
}

void MainWindow::buildMenus() {
  QMenu* top = nullptr;
  QMenu* current = nullptr;
  QActionGroup* radio = nullptr;
  for (const MenuRow& r : kMenuRows) {
    switch (r.row) {
      case Row::Menu:
        top = current = menuBar()->addMenu(r.text);
        top->setObjectName(r.name);
        connect(top, &QMenu::aboutToShow, this, &MainWindow::refreshCommandStates);
        break;
      case Row::Sub: {
        current = top->addMenu(r.text);
        current->setObjectName(r.name);
        current->menuAction()->setObjectName(r.name);
        current->menuAction()->setProperty(kPictureProperty, r.rule == Rule::Picture);
        radio = nullptr;
        break;
      }
      case Row::EndSub:
        current = top;
        radio = nullptr;
        break;
      case Row::Separator: {
        QAction* s = current->addSeparator();
        s->setProperty(kPictureProperty, r.rule == Rule::Picture);
        break;
      }
      case Row::Item:
      case Row::Check: {
        QAction* a = current->addAction(r.text);
        a->setObjectName(r.name);
        if (r.shortcut != nullptr) {
          a->setShortcut(QKeySequence(QString::fromLatin1(r.shortcut)));
          a->setShortcutContext(Qt::ApplicationShortcut);
        }
        a->setProperty(kPictureProperty, r.rule == Rule::Picture);
        a->setProperty(kReadyProperty, false);
        a->setEnabled(false);
        addAction(a);  // shortcuts work while the menu is closed
        if (r.row == Row::Check) {
          if (radio == nullptr) radio = new QActionGroup(current);
          a->setCheckable(true);
          radio->addAction(a);
        }
        break;
      }
    }
  }
  // Toolbar buttons that share a menu command follow its enabled state.
  for (QToolButton* button : sPanel1_->findChildren<QToolButton*>()) {
    const QString name = button->property("virmeyaCommand").toString();
    if (name.isEmpty()) continue;
    if (QAction* a = command(name)) {
      connect(button, &QToolButton::clicked, a, &QAction::trigger);
      connect(a, &QAction::changed, button, [button, a] { button->setEnabled(a->isEnabled()); });
      button->setEnabled(a->isEnabled());
    }
  }
}

QAction* MainWindow::command(const QString& name) const {
  for (QAction* a : menuBar()->findChildren<QAction*>())
    if (a->objectName() == name) return a;
  return nullptr;
}

void MainWindow::bindCommand(const QString& name, std::function<void()> handler) {
  QAction* a = command(name);
  if (a == nullptr) return;
  a->setProperty(kReadyProperty, true);
  connect(a, &QAction::triggered, this, [this, handler = std::move(handler)] {
    handler();
    refresh();
  });
  refreshCommandStates();
}

void MainWindow::bindCommands() {
  bindCommand("N7", [this] { openPhotoFromDialog(); });
  bindCommand("N16", [this] { close(); });
  bindCommand("UndoM", [this] { studio_.undo(); });
  bindCommand("RedoM", [this] { studio_.redo(); });
  bindCommand("N6", [this] {
    const OpenResult result = studio_.revert();
    if (result.status == OpenResult::Status::Failed) showMessage(QMessageBox::Warning, result.message);
  });
  bindCommand("N1001", [this] { studio_.zoomTo100(); });
  bindCommand("N42", [this] {
    pushViewSize();
    studio_.fitToWindow();
  });
  bindCommand("N17", [this] {
    const Bgr bg = studio_.background();
    const QColor chosen = QColorDialog::getColor(QColor(bg.r, bg.g, bg.b), this, "Фон редактора");
    if (chosen.isValid()) {
      studio_.setBackground(rgb(static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
                                static_cast<std::uint8_t>(chosen.blue())));
      imaga_->viewport()->update();
    }
  });
  bindCommand("N26", [this] { setSidePanelLeft(false); });
  bindCommand("N27", [this] { setSidePanelLeft(true); });
  command("N26")->setChecked(true);

  connect(openPage_, &OpenPage::openNewFileRequested, this, &MainWindow::openPhotoFromDialog);
  connect(openPage_, &OpenPage::openSelectedRequested, this, &MainWindow::openSelectedRecent);
  connect(openPage_, &OpenPage::recentSelected, this, [this](int index) { studio_.selectRecent(index); });
  connect(openPage_, &OpenPage::modeRequested, this, [this](Page page) {
    studio_.pressPageButton(page);
    refresh();
  });
  connect(openPage_, &OpenPage::helpRequested, this, [this] {
    if (QAction* a = command("N9"); a != nullptr && a->isEnabled()) a->trigger();
  });
  connect(openPage_, &OpenPage::siteRequested, this, [this] {
    if (QAction* a = command("N38"); a != nullptr && a->isEnabled()) a->trigger();
  });
}

void MainWindow::connectStudio() {
  connect(&studio_, &Studio::documentChanged, this, [this] {
    imaga_->documentChanged();
    refreshStatus();
  });
  connect(&studio_, &Studio::historyChanged, this, &MainWindow::refreshHistory);
  connect(&studio_, &Studio::pageChanged, this, [this](Page page) {
    megaTab_->setCurrentIndex(static_cast<int>(page));
    if (QAbstractButton* b = pageButtons_->button(static_cast<int>(page))) b->setChecked(true);
  });
  connect(&studio_, &Studio::modeChanged, this, [this](int mode) {
    refresh();
    if (mode == kModeEditing) imaga_->setFocus();
  });
  connect(&studio_, &Studio::hintChanged, this, [this](const QString& text) { stata_->setPanelText(0, text); });
  connect(&studio_, &Studio::zoomChanged, this, [this](double percent) {
    imaga_->setZoom(percent);
    syncZoomSlider();
    refreshStatus();
  });
  connect(&studio_, &Studio::recentStripChanged, this,
          [this] { openPage_->setRecentFiles(studio_.recentStrip(), studio_.recentSelection()); });
  connect(&studio_, &Studio::mouseModeChanged, imaga_, &ImageView::setMouseMode);
  connect(&studio_, &Studio::changed, this, &MainWindow::refresh);

  connect(imaga_, &ImageView::zoomChangedByUser, this, [this](double percent) { studio_.setZoom(percent); });
  connect(imaga_, &ImageView::viewChanged, this, [this] {
    syncZoomSlider();
    refreshStatus();
  });
  connect(imaga_, &ImageView::viewResized, this, &MainWindow::pushViewSize);
  connect(imaga_, &ImageView::layerGeometryChanged, this, [this] { studio_.notifyImageChanged(); });
}

// ---- state to controls

void MainWindow::refresh() {
  const bool photoOpen = studio_.photoPanelsShown();
  moda_->setCurrentIndex(studio_.mode());
  viewPana_->setVisible(photoOpen);
  openPage_->modePanel()->setVisible(photoOpen);
  megaTab_->setCurrentIndex(static_cast<int>(studio_.page()));
  if (QAbstractButton* b = pageButtons_->button(static_cast<int>(studio_.page()))) b->setChecked(true);
  if (imaga_->mouseMode() != studio_.mouseMode()) imaga_->setMouseMode(studio_.mouseMode());
  stata_->setPanelText(0, studio_.hint());
  openPage_->openSelectedButton()->setEnabled(studio_.openSelectedEnabled());
  refreshHistory();
  refreshCommandStates();
  refreshStatus();
}

void MainWindow::refreshHistory() {
  QAction* undoM = command("UndoM");
  QAction* redoM = command("RedoM");
  undoM->setText(studio_.undoCaption());
  redoM->setText(studio_.redoCaption());
  undoM->setEnabled(studio_.undoMenuEnabled());
  redoM->setEnabled(studio_.redoMenuEnabled());
  undoB_->setEnabled(studio_.undoButtonEnabled());
  redoB_->setEnabled(studio_.redoButtonEnabled());
}

void MainWindow::refreshCommandStates() {
  const bool picture = studio_.pictureCommandsEnabled();
  for (QAction* a : menuBar()->findChildren<QAction*>()) {
    const QString name = a->objectName();
    if (name == "UndoM" || name == "RedoM") continue;  // the history decides these
    const bool followsPicture = a->property(kPictureProperty).toBool();
    if (a->menu() != nullptr) {
      a->setEnabled(!followsPicture || picture);
      continue;
    }
    if (a->isSeparator()) {
      a->setEnabled(!followsPicture || picture);
      continue;
    }
    const QVariant ready = a->property(kReadyProperty);
    if (!ready.isValid()) continue;  // a top-level menu's own action
    a->setEnabled(ready.toBool() && (!followsPicture || picture));
  }
}

void MainWindow::refreshStatus() {
  // Before the first photo the view holds only the blank, and the panels stay empty.
  const bool photo = studio_.photoPanelsShown();
  stata_->setPanelText(1, photo ? studio_.sizeText() : QString());
  stata_->setPanelText(2, photo ? studio_.zoomText() : QString());
}

void MainWindow::syncZoomSlider() {
  const int rounded = std::clamp(static_cast<int>(roundEven(studio_.zoom())), 1, 800);
  if (isc_->value() != rounded) {
    const QSignalBlocker block(isc_);
    isc_->setValue(rounded);
  }
}

void MainWindow::pushViewSize() { studio_.setViewSize(imaga_->viewport()->size(), imaga_->size()); }

// ---- commands

void MainWindow::showMessage(QMessageBox::Icon icon, const QString& text) {
  if (messageSink_) {
    messageSink_(icon, text);
    return;
  }
  QMessageBox box(icon, kTitle, text, QMessageBox::Ok, this);
  box.exec();
}

void MainWindow::reportOpen(const OpenResult& result, bool panelWasShown) {
  refresh();
  if (result.ok()) refitAfterPanelChange(panelWasShown);
  switch (result.status) {
    case OpenResult::Status::Failed: showMessage(QMessageBox::Warning, result.message); break;
    case OpenResult::Status::Incomplete: showMessage(QMessageBox::Information, result.message); break;
    case OpenResult::Status::Opened:
    case OpenResult::Status::Cancelled: break;
  }
  refresh();
}

void MainWindow::openPhotoFromDialog() {
  QString path;
  if (openDialog_) {
    path = openDialog_();
  } else {
    const QString last = studio_.openedFileName();
    path = QFileDialog::getOpenFileName(this, "Выбрать фотографию", last.isEmpty() ? QString() : QFileInfo(last).path(),
                                        kOpenFilter);
  }
  if (path.isEmpty()) return;  // a cancelled dialog changes nothing
  openPhoto(path);
}

void MainWindow::openPhoto(const QString& path) {
  pushViewSize();
  const bool panelShown = viewPana_->isVisibleTo(this);
  reportOpen(studio_.openPhoto(path), panelShown);
}

void MainWindow::openSelectedRecent() {
  pushViewSize();
  const bool panelShown = viewPana_->isVisibleTo(this);
  reportOpen(studio_.openSelectedRecent(), panelShown);
}

void MainWindow::refitAfterPanelChange(bool panelWasShown) {
  // The first open shows the view panel after fitting, which takes 40 pixels from the view: fit
  // again on the view as the user sees it.
  if (panelWasShown || !viewPana_->isVisibleTo(this) || !isVisible()) return;
  workLayout_->activate();
  pushViewSize();
  studio_.fitToWindow();
}

void MainWindow::setProgress(int percent) { stata_->setProgress(percent); }

void MainWindow::setSidePanelLeft(bool left) {
  body_->removeWidget(sPanel2_);
  body_->insertWidget(left ? 0 : 1, sPanel2_);
  command(left ? "N27" : "N26")->setChecked(true);
}

void MainWindow::setViewPanelTop(bool top) {
  workLayout_->removeWidget(viewPana_);
  workLayout_->insertWidget(top ? 0 : 1, viewPana_);
  // Only the button that moves the panel to the other edge is shown.
  viewButa_->setVisible(!top);
  viewDButa_->setVisible(top);
}

// ---- start-up and closing

void MainWindow::start(const QString& photo) {
  startupPhoto_ = photo;
  tima_->start();
}

void MainWindow::deferredStartup() {
  tima_->stop();
  for (const auto& hook : startupHooks_) hook();
  // The window appears once, complete, centred on the desktop.
  if (QScreen* screen = QApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
  show();
  started_ = true;
  pushViewSize();
  // The window's first activation runs the Open-page routine.
  studio_.showOpenPage();
  refresh();
  if (!startupPhoto_.isEmpty()) openPhoto(startupPhoto_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  const SaveResult saved = studio_.writeRecentList();
  if (!saved.ok && !saved.message.isEmpty()) showMessage(QMessageBox::Warning, saved.message);
  event->accept();
}

}  // namespace virmeya
