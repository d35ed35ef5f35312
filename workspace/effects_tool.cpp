// The Effects page's model and its macro commands.
#include "workspace/effects_tool.h"

#include <QStringList>

#include <ostream>

#include "workspace/macro.h"
#include "workspace/studio.h"

namespace virmeya {

EffectsTool::EffectsTool(Studio& studio) : QObject(&studio), studio_(studio) { strips_.fill(-1); }

EffectsTool::~EffectsTool() = default;

EffectsTool& EffectsTool::of(Studio& studio) {
  if (auto* existing = studio.findChild<EffectsTool*>(QString(), Qt::FindDirectChildrenOnly)) return *existing;
  return *new EffectsTool(studio);
}

ContentRoot EffectsTool::content() const { return ContentRoot{studio_.contentRoot().toStdString()}; }

bool EffectsTool::hasPhoto() const { return studio_.image().current().bitmap.width() >= 6; }

int EffectsTool::stripSelection(int category) const {
  if (category < 0 || category >= kCategoryCount) return 0;
  const EffectItem& item = effectItem(category, panel_.selectorIndex(category));
  if (item.showsPanel()) return 0;
  const int s = strips_[static_cast<std::size_t>(category)];
  return (s < 0 || s >= item.thumbnailCount) ? item.thumbnailCount - 1 : s;
}

void EffectsTool::selectThumbnail(int index) {
  const EffectItem& item = currentItem();
  if (item.showsPanel() || index < 0 || index >= item.thumbnailCount) return;
  strips_[static_cast<std::size_t>(category())] = index;
  emit stateChanged();
}

int EffectsTool::setupPage() const {
  const SetupPage page = currentItem().setupPage;
  return page == SetupPage::None ? 0 : static_cast<int>(page);
}

QString EffectsTool::visiblePanel() const { return QString::fromUtf8(currentItem().panel.data(), static_cast<int>(currentItem().panel.size())); }

void EffectsTool::selectorChanged() {
  const EffectItem& effect = currentItem();
  if (!effect.showsPanel()) {
    // The selection rests on the last thumbnail once the strip is filled.
    strips_[static_cast<std::size_t>(category())] = effect.thumbnailCount - 1;
    emit stripRequested(category(), item());
  }
  emit stateChanged();
  // What Apply last showed becomes part of the photo.
  studio_.commitOrDiscard();
}

void EffectsTool::fillCategoryPreviews() {
  if (!hasPhoto()) return;
  selectorChanged();
}

void EffectsTool::selectCategory(int category) {
  if (category < 0 || category >= kCategoryCount) return;
  panel_.megaTabs = category;
  studio_.commitOrDiscard();
  emit stateChanged();
  fillCategoryPreviews();
}

void EffectsTool::selectEffect(int item) {
  const int count = static_cast<int>(effectCategory(category()).items.size());
  if (item < 0 || item >= count) return;
  panel_.setSelectorIndex(category(), item);
  selectorChanged();
}

void EffectsTool::setAreaBox(int index) {
  if (index < 0 || index >= kAreaCount) return;
  panel_.areaBox = index;
  emit stateChanged();
}

void EffectsTool::setOpasCheck(bool checked) {
  panel_.opasCheck = checked;
  emit stateChanged();
}

void EffectsTool::setOpasBar(int position) {
  panel_.opasBar = std::clamp(position, 0, 255);
  emit stateChanged();
}

bool EffectsTool::setControl(const QString& name, int value) {
  const std::string key = name.toStdString();
  const auto page = effectsPanelControls();
  if (const auto* c = findControl(page, key)) {
    if (value < c->minimum || value > c->maximum) return false;
    if (key == "MegaTabs") {
      selectCategory(value);
      return true;
    }
    for (int cat = 0; cat < kCategoryCount; ++cat) {
      if (effectCategory(cat).selectorName == key) {
        // A selector of another tab only changes its position; the active one runs its handler.
        if (cat == category()) {
          selectEffect(value);
        } else {
          panel_.setSelectorIndex(cat, value);
          emit stateChanged();
        }
        return true;
      }
    }
    if (!setControlValue(panel_, page, *c, value)) return false;
    emit stateChanged();
    return true;
  }
  const auto dialog = filterSetupControls();
  if (const auto* c = findControl(dialog, key)) {
    if (!setControlValue(setup_, dialog, *c, value)) return false;
    emit stateChanged();
    return true;
  }
  return false;
}

bool EffectsTool::controlValue(const QString& name, int* value) const {
  const std::string key = name.toStdString();
  if (const auto* c = findControl(effectsPanelControls(), key)) {
    *value = virmeya::controlValue(panel_, *c);
    return true;
  }
  if (const auto* c = findControl(filterSetupControls(), key)) {
    *value = virmeya::controlValue(setup_, *c);
    return true;
  }
  return false;
}

ApplyOutcome EffectsTool::render(Bitmap& result) {
  if (!hasPhoto()) return ApplyOutcome{false, "Нет фотографии для применения эффекта"};
  const ContentRoot root = content();
  const EffectContext context{panel_, setup_, root, &progress_, 0};
  result = std::move(buffers_.result);
  return renderEffect(studio_.committedImage(), choice(), context, studio_.background(), result, &buffers_);
}

ApplyOutcome EffectsTool::finishApply(ApplyOutcome outcome, Bitmap& result) {
  if (!outcome) {
    // Nothing changed: no history step, no half-done picture.
    buffers_.result = std::move(result);
    emit applyFailed(QString::fromStdString(outcome.message));
    return outcome;
  }
  LayeredImage& document = studio_.image();
  document.removeAllButPhoto();
  Layer& photo = document.photo();
  // Layer 0 := CommittedImage, then the history step saves it, then the result takes its place.
  photo.bitmap.assignPixels(studio_.committedImage());
  photo.x = photo.y = 0;
  photo.fitDisplayToBitmap();
  studio_.beginUndoable(QString::fromUtf8(undo_caption::kEffect));
  std::swap(photo.bitmap, result);
  photo.fitDisplayToBitmap();
  buffers_.result = std::move(result);
  UndoableOptions options;
  options.commit = false;  // accepted only when the user moves on
  studio_.finishUndoable(options);
  return outcome;
}

ApplyOutcome EffectsTool::apply() {
  Bitmap result;
  ApplyOutcome outcome = render(result);
  return finishApply(std::move(outcome), result);
}

void EffectsTool::cancel() { studio_.undo(); }

ApplyOutcome EffectsTool::setupClosed(bool accepted) {
  if (!accepted) return ApplyOutcome{true, {}};
  return apply();
}

void EffectsTool::openCategory(int category) {
  if (category < 0 || category >= kCategoryCount) return;
  studio_.showEffectsPage();
  panel_.megaTabs = category;
  studio_.commitOrDiscard();
  emit stateChanged();
  fillCategoryPreviews();
}

void EffectsTool::openMontage() { studio_.showMontagePage(); }

// ---- macros

namespace {

int categoryFromText(const QString& text) {
  bool ok = false;
  const int n = text.toInt(&ok);
  if (ok) return (n >= 0 && n < kCategoryCount) ? n : -1;
  const std::string t = text.toStdString();
  for (int i = 0; i < kCategoryCount; ++i) {
    if (effectCategory(i).caption == t || effectCategory(i).selectorName == t) return i;
  }
  return -1;
}

int itemFromText(int category, const QString& text) {
  const EffectCategory& c = effectCategory(category);
  bool ok = false;
  const int n = text.toInt(&ok);
  if (ok) return (n >= 0 && n < static_cast<int>(c.items.size())) ? n : -1;
  for (std::size_t i = 0; i < c.items.size(); ++i) {
    if (c.items[i].caption == text.toStdString()) return static_cast<int>(i);
  }
  return -1;
}

void throwUnlessApplied(const ApplyOutcome& outcome) {
  if (!outcome) throw MacroError(QString::fromStdString(outcome.message));
}

void effectMacro(MacroContext& c, const MacroArgs& a) {
  EffectsTool& tool = EffectsTool::of(c.studio);
  const int category = categoryFromText(a.option(QStringLiteral("category")));
  if (category < 0) throw MacroError(QStringLiteral("category: нет категории «%1»").arg(a.option(QStringLiteral("category"))));
  const int item = itemFromText(category, a.option(QStringLiteral("item"), QStringLiteral("0")));
  if (item < 0) throw MacroError(QStringLiteral("item: нет эффекта «%1»").arg(a.option(QStringLiteral("item"))));
  if (c.studio.page() != Page::Effects) tool.openCategory(category);
  if (tool.category() != category) tool.selectCategory(category);
  if (tool.item() != item) tool.selectEffect(item);
  const EffectItem& effect = effectItem(category, item);
  if (!effect.showsPanel()) {
    tool.selectThumbnail(a.intOption(QStringLiteral("variant"), effect.thumbnailCount - 1, 0, effect.thumbnailCount - 1));
  }
  throwUnlessApplied(tool.apply());
}

void setMacro(MacroContext& c, const MacroArgs& a) {
  EffectsTool& tool = EffectsTool::of(c.studio);
  if (a.options.empty()) throw MacroError(QStringLiteral("set: нужно ИМЯ=ЗНАЧЕНИЕ"));
  for (const auto& [name, text] : a.options) {
    const std::string key = name.toStdString();
    const Control<EffectsPanel>* pc = findControl(effectsPanelControls(), key);
    const Control<FilterSetupValues>* dc = pc ? nullptr : findControl(filterSetupControls(), key);
    if (!pc && !dc) throw MacroError(QStringLiteral("set: неизвестный элемент управления «%1»").arg(name));
    const auto value = pc ? parseControlValue(*pc, text.toStdString()) : parseControlValue(*dc, text.toStdString());
    if (!value || !tool.setControl(name, *value)) {
      throw MacroError(QStringLiteral("set: недопустимое значение %1=%2").arg(name, text));
    }
  }
}

void setupMacro(MacroContext& c, const MacroArgs& a) {
  EffectsTool& tool = EffectsTool::of(c.studio);
  const QString how = a.words.value(0);
  if (how != QLatin1String("page-ok") && how != QLatin1String("cancel")) {
    throw MacroError(QStringLiteral("setup: ожидается page-ok или cancel"));
  }
  if (!tool.setupEnabled()) throw MacroError(QStringLiteral("setup: кнопка «Настройка» недоступна для этого эффекта"));
  throwUnlessApplied(tool.setupClosed(how == QLatin1String("page-ok")));
}

void catalogueMacro(MacroContext& c, const MacroArgs& a) {
  EffectsTool& tool = EffectsTool::of(c.studio);
  const QString target = a.words.value(0);
  if (target == QLatin1String("montage") || target == QStringLiteral("Монтаж")) {
    tool.openMontage();
    return;
  }
  int category = categoryFromText(target);
  for (const CatalogueButton& b : catalogueButtons()) {
    if (b.caption == target.toStdString()) category = b.category;
  }
  if (category < 0) throw MacroError(QStringLiteral("catalogue: нет кнопки «%1»").arg(target));
  tool.openCategory(category);
}

}  // namespace

const std::vector<MacroCommand>& effectsMacroCommands() {
  // `set` accepts the name of every control of the page and of the settings dialog.
  static const std::string controlNames = [] {
    std::string names;
    for (const auto& c : effectsPanelControls()) names += std::string(c.name) + ' ';
    for (const auto& c : filterSetupControls()) names += std::string(c.name) + ' ';
    return names;
  }();
  static const std::vector<MacroCommand> commands = {
      {"effect", "category=C item=I [variant=A]",
       "выбирает категорию, эффект и миниатюру на странице «Эффекты» и нажимает OK", 0, 0, effectMacro,
       "category item variant"},
      {"set", "ИМЯ=ЗНАЧЕНИЕ ...", "задаёт элементы управления страницы «Эффекты» и окна «Настройки эффекта»", 0, 0,
       setMacro, controlNames.c_str()},
      {"setup", "page-ok|cancel", "окно «Настройки эффекта» закрыто кнопкой OK (эффект применяется снова) или «Отменить»",
       1, 1, setupMacro},
      {"catalogue", "КНОПКА", "кнопка каталога эффектов: категория (номер или название) или «Монтаж»", 1, 1,
       catalogueMacro},
  };
  return commands;
}

}  // namespace virmeya
