// The Effects page's widgets; every value goes to EffectsTool and every pixel is computed below it.
#include "ui/effects_page.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <chrono>
#include <thread>

#include "effects/thumbnails.h"
#include "ui/effect_catalogue_dialog.h"
#include "ui/filter_setup_dialog.h"
#include "ui/main_window.h"
#include "ui/page_header.h"
#include "ui/thumbnail_strip.h"

namespace virmeya {

namespace {

QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// What a panel shows besides its controls: its title, headings placed before some controls, and
// notes at the bottom.
struct PanelDecor {
  const char* panel;
  const char* title;
  std::vector<std::pair<const char*, const char*>> headings;  // control name → heading above it
  std::vector<const char*> notes;
};

const std::vector<PanelDecor>& panelDecor() {
  static const std::vector<PanelDecor> decor = {
      {"BlurPana", "Параметры размытия", {}, {}},
      {"NoisePana", "Параметры шума", {}, {}},
      {"MosPanel", "Параметры мозаики", {{"MosQ", "Форма ячеек:"}, {"MosAA", "Дополнительно"}},
       {"Для более точной оценки результатов используйте", "масштаб 100% или полноэкранный просмотр"}},
      {"CubPanel", "Параметры фильтра Кубизм", {}, {"Примечание:", "Каждый раз картина генерируется случайным образом"}},
      {"PenPan", "Настройки рисования:", {{"PenDColor", "Заливка холста:"}},
       {"Примечание:", "Для точной оценки результата просматривайте", "изображение в масштабе 100%."}},
      {"FirePan", "", {}, {}},
      {"ComixPanel", "", {{"ComxBrid", "Параметры картинки"}, {"ComxCont", "Параметры контуров"}}, {}},
      {"GlowSPanel", "Параметры контуров", {}, {}},
  };
  return decor;
}

QLabel* heading(const QString& s, QWidget* parent) {
  auto* l = new QLabel(s, parent);
  QFont f = l->font();
  f.setBold(true);
  l->setFont(f);
  return l;
}

void paintColourButton(QPushButton* b, int rgbValue) {
  const QColor c = QColor::fromRgb(static_cast<QRgb>(rgbValue));
  b->setStyleSheet(QStringLiteral("QPushButton { background: %1; border: 1px solid #333; min-width: 40px; min-height: 18px; }")
                       .arg(c.name()));
}

}  // namespace

EffectsPage::EffectsPage(Studio& studio, QWidget* parent)
    : QWidget(parent), studio_(studio), tool_(EffectsTool::of(studio)),
      generation_(std::make_shared<std::atomic<quint64>>(0)) {
  setObjectName(QStringLiteral("EffectsPage"));
  pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  layout->addWidget(makePageHeader(QStringLiteral("Эффекты и фильтры"), this));

  // Processing area and opacity.
  auto* areaRow = new QHBoxLayout;
  areaRow->addWidget(new QLabel(QStringLiteral("Обрабатывать"), this));
  areaBox_ = new QComboBox(this);
  areaBox_->setObjectName(QStringLiteral("AreaBox"));
  for (std::string_view item : findControl(effectsPanelControls(), "AreaBox")->items) areaBox_->addItem(text(item));
  areaRow->addWidget(areaBox_, 1);
  layout->addLayout(areaRow);
  auto* opasRow = new QHBoxLayout;
  opasCheck_ = new QCheckBox(QStringLiteral("Прозрачность"), this);
  opasCheck_->setObjectName(QStringLiteral("OpasCheck"));
  opasBar_ = new QSlider(Qt::Horizontal, this);
  opasBar_->setObjectName(QStringLiteral("OpasBar"));
  opasBar_->setRange(0, 255);
  opasBar_->setAccessibleName(QStringLiteral("Прозрачность"));
  opasRow->addWidget(opasCheck_);
  opasRow->addWidget(opasBar_, 1);
  layout->addLayout(opasRow);

  // MegaTabs: the seven category tabs on two rows of buttons over the pages.
  auto* tabs = new QWidget(this);
  tabs->setObjectName(QStringLiteral("MegaTabs"));
  auto* tabsLayout = new QVBoxLayout(tabs);
  tabsLayout->setContentsMargins(0, 0, 0, 0);
  tabsLayout->setSpacing(0);
  // Rows of three and four tabs, each tab as wide as its caption needs.
  QHBoxLayout* tabRows[2] = {new QHBoxLayout, new QHBoxLayout};
  for (QHBoxLayout* row : tabRows) row->setSpacing(1);
  tabButtons_ = new QButtonGroup(tabs);
  tabPages_ = new QStackedWidget(tabs);
  tabPages_->setFrameShape(QFrame::StyledPanel);
  for (int c = 0; c < kCategoryCount; ++c) {
    auto* b = new QToolButton(tabs);
    b->setText(text(effectCategory(c).caption));
    b->setCheckable(true);
    b->setAutoRaise(false);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setObjectName(QStringLiteral("MegaTab%1").arg(c));
    tabButtons_->addButton(b, c);
    tabRows[c < 3 ? 0 : 1]->addWidget(b);
    auto* page = new QWidget(tabPages_);
    buildCategory(c, page);
    tabPages_->addWidget(page);
  }
  tabsLayout->addLayout(tabRows[0]);
  tabsLayout->addLayout(tabRows[1]);
  tabsLayout->addWidget(tabPages_, 1);
  layout->addWidget(tabs, 1);

  auto* buttons = new QHBoxLayout;
  okFilter_ = new QPushButton(QStringLiteral("OK"), this);
  okFilter_->setObjectName(QStringLiteral("OkFilter"));
  cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
  cancel_->setObjectName(QStringLiteral("CancelFilter"));
  butSetup_ = new QPushButton(QStringLiteral("Настройка"), this);
  butSetup_->setObjectName(QStringLiteral("ButSetup"));
  buttons->addWidget(okFilter_);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  buttons->addWidget(butSetup_);
  layout->addLayout(buttons);

  setupDialog_ = new FilterSetupDialog(tool_, this);
  catalogue_ = new EffectCatalogueDialog(tool_, this);

  connect(areaBox_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!syncing_) tool_.setAreaBox(i);
  });
  connect(opasCheck_, &QCheckBox::toggled, this, [this](bool on) {
    if (!syncing_) tool_.setOpasCheck(on);
  });
  connect(opasBar_, &QSlider::valueChanged, this, [this](int v) {
    if (!syncing_) tool_.setOpasBar(v);
  });
  connect(tabButtons_, &QButtonGroup::idClicked, this, [this](int c) {
    if (!syncing_ && c != tool_.category()) tool_.selectCategory(c);
  });
  connect(okFilter_, &QPushButton::clicked, this, [this] { applyEffect(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { tool_.cancel(); });
  connect(butSetup_, &QPushButton::clicked, this, [this] { openSetupDialog(); });
  connect(&tool_, &EffectsTool::stateChanged, this, [this] { syncFromModel(); });
  connect(&tool_, &EffectsTool::stripRequested, this, [this](int c, int i) { fillStrip(c, i); });
  // Entering the page fills the active category's strip (once the page command has finished).
  connect(&studio_, &Studio::pageChanged, this, [this](Page page) {
    if (page == Page::Effects) QTimer::singleShot(0, this, [this] { fillWhenIdle(); });
  });
  syncFromModel();
  QTimer::singleShot(0, this, [this] { bindToWindow(); });
}

EffectsPage::~EffectsPage() {
  generation_->fetch_add(1);
  pool_.clear();
  pool_.waitForDone();
}

void EffectsPage::buildCategory(int category, QWidget* page) {
  const EffectCategory& c = effectCategory(category);
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(4, 4, 4, 4);
  auto* selector = new QComboBox(page);
  selector->setObjectName(text(c.selectorName));
  QFont big = selector->font();
  big.setPointSizeF(big.pointSizeF() * 1.3);
  selector->setFont(big);
  for (std::string_view item : c.itemCaptions) selector->addItem(text(item));
  selectors_[static_cast<std::size_t>(category)] = selector;
  v->addWidget(selector);

  auto* area = new QStackedWidget(page);
  auto* strip = new ThumbnailStrip(area);
  strip->setObjectName(text(c.stripName));
  strip->setCellSize(QSize(kStripCellWidth, kStripCellHeight));
  strip->setSpacing(kStripSpacingX, kStripSpacingY);
  strip->setThumbnailFrame(true);
  area->addWidget(strip);
  strips_[static_cast<std::size_t>(category)] = strip;
  stripAreas_[static_cast<std::size_t>(category)] = area;
  for (const EffectItem& item : c.items) {
    if (item.showsPanel() && !panels_.count(text(item.panel))) {
      QWidget* panel = buildPanel(text(item.panel));
      panel->setParent(area);
      area->addWidget(panel);
    }
  }
  v->addWidget(area, 1);

  connect(selector, &QComboBox::currentIndexChanged, this, [this, category](int i) {
    if (!syncing_ && category == tool_.category()) tool_.selectEffect(i);
  });
  connect(strip, &ThumbnailStrip::selectionChanged, this, [this, category](int i) {
    if (!syncing_ && category == tool_.category()) tool_.selectThumbnail(i);
  });
  connect(strip, &ThumbnailStrip::activated, this, [this, category](int i) {
    if (category != tool_.category()) return;
    tool_.selectThumbnail(i);
    applyEffect();
  });
}

QWidget* EffectsPage::buildPanel(const QString& name) {
  auto* panel = new QWidget;
  panel->setObjectName(name);
  panels_[name] = panel;
  auto* v = new QVBoxLayout(panel);
  v->setContentsMargins(6, 6, 6, 6);
  const PanelDecor* decor = nullptr;
  for (const PanelDecor& d : panelDecor()) {
    if (name == QLatin1String(d.panel)) decor = &d;
  }
  if (decor && *decor->title) v->addWidget(heading(QString::fromUtf8(decor->title), panel));
  std::map<QString, QButtonGroup*> radioGroups;
  const auto table = effectsPanelControls();
  for (const Control<EffectsPanel>& c : table) {
    if (text(c.group) != name) continue;
    const QString cname = text(c.name);
    if (decor) {
      for (const auto& [before, title] : decor->headings) {
        if (cname == QLatin1String(before)) v->addWidget(heading(QString::fromUtf8(title), panel));
      }
    }
    if (cname == QLatin1String("WoodBase")) {
      // The wood textures (cells 138 × 90); a double click applies.
      auto* wood = new ThumbnailStrip(panel);
      wood->setObjectName(cname);
      wood->setCellSize(QSize(138, 90));
      wood->setSpacing(kStripSpacingX, kStripSpacingY);
      const ContentRoot root = tool_.content();
      for (int i = 0;; ++i) {
        const auto path = root.dir / "Data" / "Small" / "Wood" / (std::to_string(i) + ".jpg");
        if (!std::filesystem::exists(path)) break;
        wood->addFile(QString::fromStdString(path.string()));
      }
      connect(wood, &ThumbnailStrip::selectionChanged, this, [this](int i) { tool_.setControl(QStringLiteral("WoodBase"), i); });
      connect(wood, &ThumbnailStrip::activated, this, [this](int i) {
        tool_.setControl(QStringLiteral("WoodBase"), i);
        applyEffect();
      });
      controls_[cname] = wood;
      v->addWidget(wood, 1);
      continue;
    }
    QWidget* widget = nullptr;
    switch (c.kind) {
      case ControlKind::Slider: {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(text(c.label), panel));
        auto* s = new QSlider(Qt::Horizontal, panel);
        s->setRange(c.minimum, c.maximum);
        s->setValue(c.initial);
        auto* value = new QLabel(QString::number(c.initial), panel);
        value->setMinimumWidth(30);
        connect(s, &QSlider::valueChanged, value, [value](int x) { value->setNum(x); });
        connect(s, &QSlider::valueChanged, this, [this, cname](int x) {
          if (!syncing_) tool_.setControl(cname, x);
        });
        row->addWidget(s, 1);
        row->addWidget(value);
        v->addLayout(row);
        widget = s;
        break;
      }
      case ControlKind::Check:
      case ControlKind::Radio: {
        QAbstractButton* b = nullptr;
        if (c.kind == ControlKind::Check) {
          b = new QCheckBox(text(c.label), panel);
        } else {
          b = new QRadioButton(text(c.label), panel);
          QButtonGroup*& group = radioGroups[text(c.radioGroup)];
          if (!group) group = new QButtonGroup(panel);
          group->addButton(b);
        }
        b->setChecked(c.initial != 0);
        const bool isCheck = c.kind == ControlKind::Check;
        connect(b, &QAbstractButton::toggled, this, [this, cname, isCheck](bool on) {
          // A radio button reports being cleared too; only the one switched on is a choice.
          if (!syncing_ && (on || isCheck)) tool_.setControl(cname, on ? 1 : 0);
        });
        if (cname == QLatin1String("PenDText")) {
          auto* row = new QHBoxLayout;
          row->addWidget(b);
          auto* load = new QPushButton(QStringLiteral("Загрузить"), panel);
          load->setObjectName(QStringLiteral("LoadPText"));
          controls_[load->objectName()] = load;
          row->addWidget(load);
          row->addStretch(1);
          v->addLayout(row);
        } else if (cname == QLatin1String("PenDColor")) {
          auto* row = new QHBoxLayout;
          row->addWidget(b);
          row->addStretch(1);
          v->addLayout(row);
          b->setProperty("row", QVariant::fromValue(static_cast<void*>(row)));
        } else {
          v->addWidget(b);
        }
        widget = b;
        break;
      }
      case ControlKind::Choice: {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(text(c.label), panel));
        auto* combo = new QComboBox(panel);
        for (std::string_view item : c.items) combo->addItem(text(item));
        connect(combo, &QComboBox::currentIndexChanged, this, [this, cname](int i) {
          if (!syncing_) tool_.setControl(cname, i);
        });
        row->addWidget(combo, 1);
        v->addLayout(row);
        widget = combo;
        break;
      }
      case ControlKind::Colour: {
        auto* b = new QPushButton(panel);
        paintColourButton(b, c.initial);
        connect(b, &QPushButton::clicked, this, [this, cname] {
          int current = 0;
          tool_.controlValue(cname, &current);
          const QColor chosen = QColorDialog::getColor(QColor::fromRgb(static_cast<QRgb>(current)), this);
          if (chosen.isValid()) tool_.setControl(cname, static_cast<int>(chosen.rgb() & 0xFFFFFF));
        });
        if (cname == QLatin1String("ZalCola") && controls_.count(QStringLiteral("PenDColor"))) {
          auto* row = static_cast<QHBoxLayout*>(controls_[QStringLiteral("PenDColor")]->property("row").value<void*>());
          row->insertWidget(1, b);
        } else {
          auto* row = new QHBoxLayout;
          row->addWidget(new QLabel(text(c.label), panel));
          row->addWidget(b);
          row->addStretch(1);
          v->addLayout(row);
        }
        widget = b;
        break;
      }
    }
    widget->setObjectName(cname);
    controls_[cname] = widget;
  }
  if (decor) {
    for (const char* note : decor->notes) {
      auto* l = new QLabel(QString::fromUtf8(note), panel);
      l->setWordWrap(true);
      v->addWidget(l);
    }
  }
  v->addStretch(1);
  return panel;
}

void EffectsPage::fillWhenIdle() {
  // An Apply running on its worker reads CommittedImage, which filling would replace: wait for it.
  if (applying_) {
    QTimer::singleShot(50, this, [this] { fillWhenIdle(); });
    return;
  }
  tool_.fillCategoryPreviews();
}

void EffectsPage::bindToWindow() {
  auto* w = qobject_cast<MainWindow*>(window());
  if (!w) return;
  static const std::pair<const char*, int> kMenu[] = {{"BasaM", kBasicCategory},      {"ColorM", kColourCategory},
                                                      {"SvetoM", kLightCategory},     {"GeomM", kGeometricCategory},
                                                      {"StyleM", kStylisationCategory}, {"CompM", kCompositeCategory},
                                                      {"NaturM", kNaturalCategory}};
  for (const auto& [name, category] : kMenu) {
    const int c = category;
    w->bindCommand(QString::fromLatin1(name), [this, c] { tool_.openCategory(c); });
  }
  w->bindCommand(QStringLiteral("CatEfM"), [this] { openCatalogue(); });
}

void EffectsPage::fillStrip(int category, int item) {
  const quint64 generation = generation_->fetch_add(1) + 1;
  pool_.clear();
  stripErrorShown_ = false;
  ThumbnailStrip* strip = strips_[static_cast<std::size_t>(category)];
  const EffectItem& effect = effectItem(category, item);
  strip->clear();
  const Bitmap& photo = studio_.image().current().bitmap;
  if (photo.width() < 6 || effect.showsPanel()) return;
  // The 200-pixel copy every thumbnail starts from; each slot shows it until its own is ready.
  auto base = std::make_shared<const Bitmap>(thumbnailBase(photo));
  for (int j = 0; j < effect.thumbnailCount; ++j) strip->addPicture(*base);
  syncing_ = true;
  strip->setSelectedIndex(effect.thumbnailCount - 1);
  syncing_ = false;
  pending_ = effect.thumbnailCount;
  // Each job gets its own copy of the settings the routines read.
  auto panel = std::make_shared<const EffectsPanel>(tool_.panel());
  auto setup = std::make_shared<const FilterSetupValues>(tool_.setup());
  auto content = std::make_shared<const ContentRoot>(tool_.content());
  auto counter = generation_;
  for (int j = 0; j < effect.thumbnailCount; ++j) {
    pool_.start([this, counter, generation, category, item, j, base, panel, setup, content] {
      if (counter->load() != generation) return;
      QImage picture;
      QString error;
      try {
        const Bitmap t = makeThumbnail(*base, category, item, j, EffectContext{*panel, *setup, *content});
        picture = QImage(t.data(), t.width(), t.height(), static_cast<qsizetype>(t.stride()), QImage::Format_BGR888).copy();
      } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
      }
      QMetaObject::invokeMethod(this, [this, generation, category, j, picture, error] {
        thumbnailDone(generation, category, j, picture, error);
      }, Qt::QueuedConnection);
    });
  }
}

void EffectsPage::thumbnailDone(quint64 generation, int category, int index, const QImage& picture, const QString& error) {
  if (generation != generation_->load()) return;
  if (!picture.isNull()) strips_[static_cast<std::size_t>(category)]->setPicture(index, picture);
  if (!error.isEmpty() && !stripErrorShown_) {
    stripErrorShown_ = true;
    studio_.setHint(error);
  }
  if (--pending_ == 0) emit stripFilled(category);
}

void EffectsPage::syncFromModel() {
  syncing_ = true;
  const EffectsPanel& p = tool_.panel();
  areaBox_->setCurrentIndex(p.areaBox);
  opasCheck_->setChecked(p.opasCheck);
  opasCheck_->setEnabled(p.opasCheckEnabled());
  opasBar_->setValue(p.opasBar);
  opasBar_->setEnabled(p.opasBarEnabled());
  const int category = tool_.category();
  if (QAbstractButton* b = tabButtons_->button(category)) b->setChecked(true);
  tabPages_->setCurrentIndex(category);
  for (int c = 0; c < kCategoryCount; ++c) selectors_[static_cast<std::size_t>(c)]->setCurrentIndex(p.selectorIndex(c));
  for (int c = 0; c < kCategoryCount; ++c) {
    QStackedWidget* area = stripAreas_[static_cast<std::size_t>(c)];
    const EffectItem& item = effectItem(c, p.selectorIndex(c));
    QWidget* shown = item.showsPanel() ? panels_[text(item.panel)] : strips_[static_cast<std::size_t>(c)];
    area->setCurrentWidget(shown);
  }
  for (const Control<EffectsPanel>& c : effectsPanelControls()) {
    auto it = controls_.find(text(c.name));
    if (it == controls_.end()) continue;
    const int value = virmeya::controlValue(p, c);
    if (auto* s = qobject_cast<QSlider*>(it->second)) s->setValue(value);
    if (auto* b = qobject_cast<QAbstractButton*>(it->second); b && b->isCheckable()) b->setChecked(value != 0);
    if (auto* combo = qobject_cast<QComboBox*>(it->second)) combo->setCurrentIndex(value);
    if (c.kind == ControlKind::Colour) paintColourButton(static_cast<QPushButton*>(it->second), value);
  }
  if (QWidget* load = controls_[QStringLiteral("LoadPText")]) load->setEnabled(p.loadPTextEnabled());
  if (QWidget* zal = controls_[QStringLiteral("ZalCola")]) zal->setEnabled(p.zalColaEnabled());
  butSetup_->setEnabled(tool_.setupEnabled());
  ThumbnailStrip* strip = strips_[static_cast<std::size_t>(category)];
  if (strip->count() > 0 && strip->selectedIndex() != tool_.stripSelection(category)) {
    strip->setSelectedIndex(tool_.stripSelection(category));
  }
  syncing_ = false;
}

void EffectsPage::report(const QString& message) {
  if (messageSink_) {
    messageSink_(message);
  } else {
    QMessageBox::warning(this, QStringLiteral("Вирмея"), message);
  }
}

void EffectsPage::applyEffect() {
  if (applying_) return;
  applying_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // The effect runs on a worker while this thread keeps painting the window and the progress bar
  // WAIT; input waits until the photo is done, so nothing changes what the worker reads.
  auto* w = qobject_cast<MainWindow*>(window());
  Bitmap result;
  ApplyOutcome outcome;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    outcome = tool_.render(result);
    done.store(true);
  });
  while (!done.load()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 30);
    const Progress& bar = tool_.progress();
    if (w && bar.visible()) w->setProgress(std::min(99, bar.position() * 100 / std::max(1, bar.maximum())));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  worker.join();
  if (w) w->setProgress(100);
  outcome = tool_.finishApply(std::move(outcome), result);
  QApplication::restoreOverrideCursor();
  applying_ = false;
  if (!outcome) report(QString::fromStdString(outcome.message));
}

void EffectsPage::openSetupDialog() {
  if (!tool_.setupEnabled()) return;
  setupDialog_->showPage(tool_.setupPage());
  const bool accepted = setupDialog_->exec() == QDialog::Accepted;
  // OK applies the effect again from CommittedImage with the new values.
  if (accepted) applyEffect();
}

void EffectsPage::openCatalogue() { catalogue_->exec(); }

}  // namespace virmeya
